-- ORB_T_CASE "callback_error": a per-file callback that raises an error, which ends
-- the run through the script error report. ORB_T_TRACE records what ran.
local function trace(text)
  local f = io.open(os.getenv("ORB_T_TRACE"), "a")
  f:write(text, "\n")
  f:close()
end

function ORBSE_OnInstall()
  local case = os.getenv("ORB_T_CASE")
  local dest = os.getenv("ORB_T_DEST")
  if case == "swap" then Lua_Logout("swap the setup again") end
  if case == "callback_error" then
    Lua_UnCompress7z("App.7z", dest, false, function(path)
      trace("file " .. path)
      error("callback boom")
    end)
    trace("after")
  elseif case == "plain" or case == "swap" then
    trace("result " .. tostring(Lua_UnCompress7z("App.7z", dest, false, nil, nil)))
  end
end

function ORBSE_AfterComplete() trace("AfterComplete") end
