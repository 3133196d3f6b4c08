local env = os.getenv
local function trace(text)
  local f = io.open(env("ORB_T_TRACE"), "a")
  f:write(text, "\n")
  f:close()
end

local key = env("ORB_T_KEY")
local records = {
  {hkey = "HKCU", subkey = key, value = "DisplayName", datatype = "REG_SZ", data = "ORB Test 安装", overwrite = true},
  {hkey = "HKCU", subkey = key, value = "InstallLocation", datatype = "REG_EXPAND_SZ", data = "%ORB_T_DIR%", overwrite = true},
  {hkey = "HKCU", subkey = key, value = "NoModify", datatype = "REG_DWORD", data = 1, overwrite = true},
  {hkey = "HKCU", subkey = key .. "\\Sub", value = "Flags", datatype = "REG_BINARY", data = "0a0b", overwrite = false},
}

function ORBSE_OnInstall()
  for _, r in ipairs(records) do
    Lua_RegAdd(r.hkey, r.subkey, r.value, r.datatype, r.data, r.overwrite)
  end
  trace("csidl=" .. tostring(Lua_RegVarByCSIDL("ORB_T_APPDATA", 26)))
  local link = InstallPath .. "\\menu\\Child.lnk"
  trace("shortcut=" .. tostring(Lua_CreateShortcut(env("ORB_T_CHILD"), link, "/menu", nil)))
  trace("exec=" .. tostring(Lua_Exec(env("ORB_T_CHILD"), nil, '"' .. InstallPath .. '\\ran.txt" 300', true)))
  local f = io.open(InstallPath .. "\\ran.txt")
  trace("ran=" .. (f and f:read("*a") or "nothing"))
  if f then f:close() end
  trace("name=" .. tostring(Lua_RegQuery("HKCU", key, "DisplayName")))
  trace("location=" .. tostring(Lua_RegQuery("HKCU", key, "InstallLocation")))
  trace("nomodify=" .. tostring(Lua_RegQuery("HKCU", key, "NoModify")))
  trace("os=" .. tostring(Lua_GetOSVersion() >= 6))
end

function ORBSE_AfterComplete()
  if env("ORB_T_UNINSTALL") then
    Lua_RegDel("HKCU", key)
    trace("after=" .. tostring(Lua_RegQuery("HKCU", key, "DisplayName")))
  end
end
