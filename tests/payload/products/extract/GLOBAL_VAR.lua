-- Extraction test product: silent, the case comes from the environment.
global_silent_install = true
global_show_completewindow = false
global_install_mutex_guid = os.getenv("ORB_T_GUID")
