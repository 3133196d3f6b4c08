-- Records the result of Lua_DeleteFile and whether the run went on afterwards.
local function trace(text)
  local f = io.open(os.getenv("ORB_T_TRACE"), "a")
  f:write(text, "\n")
  f:close()
end

function ORBSE_OnInstall()
  -- The silent road is taken either way; ORB_T_SILENT makes it a silent run,
  -- ORB_T_PASSIVE and ORB_T_SUPPRESS an unattended one of the other kinds.
  global_silent_install = os.getenv("ORB_T_SILENT") == "1"
  global_passive_install = os.getenv("ORB_T_PASSIVE") == "1"
  global_suppress_msgboxes = os.getenv("ORB_T_SUPPRESS") == "1"
  if global_silent_install or global_passive_install or global_suppress_msgboxes then
    trace("box " .. tostring(Lua_MsgBox("question", "caption", 4)))
  end
  trace("result " .. tostring(Lua_DeleteFile(os.getenv("ORB_T_PATH"))))
end
function ORBSE_AfterComplete() trace("AfterComplete") end
