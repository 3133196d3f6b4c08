-- Delete-dialog test product: silent, deletes ORB_T_PATH in the install hook.
global_silent_install = true
global_show_completewindow = false
global_install_mutex_guid = os.getenv("ORB_T_GUID")
global_language = "zh-CN"  -- the tests read the Chinese texts
if os.getenv("ORB_T_STANDARD") then global_exit_codes = "standard" end
