-- Silent product that installs like a real one: registry records, a folder variable,
-- a shortcut, a tool run to its end; removes its key again at the end.
global_silent_install = true
global_install_mutex_guid = os.getenv("ORB_T_GUID")
global_install_path = os.getenv("ORB_T_DIR")
