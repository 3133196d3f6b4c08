-- Silent product that asks Lua_MsgBox with each argument count and records the answers.
global_silent_install = true
global_install_mutex_guid = os.getenv("ORB_T_GUID")
