-- Settings of the bridge test product: a silent run with no dialog.
global_install_mutex_guid = os.getenv("ORB_T_GUID")
global_silent_install = true
global_show_completewindow = false
global_install_path = "C:\\ORB Bridge Test"
