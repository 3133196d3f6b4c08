-- Records the result of Lua_DeleteFile and whether the run went on afterwards.
local function trace(text)
  local f = io.open(os.getenv("ORB_T_TRACE"), "a")
  f:write(text, "\n")
  f:close()
end

function ORBSE_OnInstall()
  -- The silent road is taken either way; ORB_T_SILENT makes it a silent run.
  global_silent_install = os.getenv("ORB_T_SILENT") == "1"
  trace("result " .. tostring(Lua_DeleteFile(os.getenv("ORB_T_PATH"))))
end
function ORBSE_AfterComplete() trace("AfterComplete") end
