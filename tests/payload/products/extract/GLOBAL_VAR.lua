-- Extraction test product: silent, the case comes from the environment.
global_silent_install = true
global_show_completewindow = false
global_install_mutex_guid = os.getenv("ORB_T_GUID")
-- ORB_T_CASE "swap": the test renames and replaces the setup's file while this line is
-- being reported (the process stands still until the driver has seen it).
if os.getenv("ORB_T_CASE") == "swap" then Lua_Logout("swap the setup now") end
