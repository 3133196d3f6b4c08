-- Uses the bridge the way install scripts do and records what it saw; ORB_T_TABLE
-- makes it pass a table to a native function.
local env = os.getenv

local function trace(text)
  local f = io.open(env("ORB_T_TRACE"), "a")
  f:write(text, "\n")
  f:close()
end

function ORBSE_OnInstall()
  local pid = GLibTab["kernel32"]:Get("GetCurrentProcessId", "uint")
  trace("pid " .. tostring(pid() > 0))
  local lib, err = DllManager.Load(env("ORB_T_DLL"))
  trace("load " .. tostring(lib ~= nil) .. " " .. tostring(err))
  local _, code = lib:Get("NoSuchExport", "int")
  trace("missing " .. tostring(code))
  local _, why = lib.Get("MinusOne")
  trace("dot " .. tostring(why))
  local buf = RawBuffer.New(16)
  lib:Get("StoreWord", "int")(buf:OffsetGetAsPointer(4), 4294967295)
  trace("store " .. buf:OffsetGetAsUInt32(4))
  local w = WString.New(10)
  lib:Get("FillWide", "bool")(w, #w + 10)
  trace("wide " .. tostring(w))
  if env("ORB_T_TABLE") then
    local echo = lib:Get("Echo", "int")
    echo({})
  end
  trace("done")
end
