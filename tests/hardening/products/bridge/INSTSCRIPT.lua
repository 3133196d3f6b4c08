-- Writes one line per load: the library object or nil, and the error code.
local function trace(text)
  local f = io.open(os.getenv("ORB_T_TRACE"), "a")
  f:write(text, "\n")
  f:close()
end

function ORBSE_OnInstall()
  for name in string.gmatch(os.getenv("ORB_T_LOAD"), "[^|]+") do
    local lib, err = DllManager.Load(name)
    trace(name .. " " .. (lib and "loaded" or "nil") .. " " .. tostring(err))
  end
  trace("RegSvr32 " .. tostring(Lua_RegSvr32(os.getenv("ORB_T_REGSVR"), true)))
end
