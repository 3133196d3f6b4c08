local trace_file = os.getenv("ORB_T_TRACE")
local function trace(text)
  local f = io.open(trace_file, "a")
  f:write(text, "\n")
  f:close()
end

function ORBSE_OnInstall()
  -- The silent road is taken either way; ORB_T_SILENT makes it a silent run.
  global_silent_install = os.getenv("ORB_T_SILENT") == "1"
  trace("one=" .. tostring(Lua_MsgBox("only text")))
  trace("two=" .. tostring(Lua_MsgBox("text two", "caption two")))
  trace("three=" .. tostring(Lua_MsgBox("text three", "caption three", 1 + 48 + 65536)))
  trace("four=" .. tostring(Lua_MsgBox("text four", "caption four", 1, "extra")))
  trace("none=" .. tostring(Lua_MsgBox()))
  trace("bad=" .. tostring(Lua_MsgBox({}, nil, "abc")))
  trace("yesno=" .. tostring(Lua_MsgBox("text yesno", "caption yesno", 4 + 256)))
  local argv = Lua_GetCommandLineArgv()
  trace("argc=" .. #argv)
  for i, w in ipairs(argv) do trace("argv" .. i .. "=" .. w) end
  trace("module=" .. Lua_GetModuleFileName())
  Lua_Logout("msgbox product done")
end
