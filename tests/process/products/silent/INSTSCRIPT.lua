local env = os.getenv

local function trace(text)
  local f = io.open(env("ORB_P_TRACE"), "a")
  f:write(text, "\n")
  f:close()
end

function ORBSE_OnInstall()
  local service = env("ORB_P_SERVICE")
  trace("start=" .. tostring(Lua_SCM(service, "start")))
  local ids = {Lua_GetProcessId("proc_silent.exe")}
  trace("ids=" .. #ids)
  trace("path=" .. tostring(Lua_GetImagePathByPid(ids[1])))
  trace("kill=" .. tostring(Lua_TaskKill(env("ORB_P_TARGET"), nil)))
  trace("stop=" .. tostring(Lua_SCM(service, "stop")))
end
