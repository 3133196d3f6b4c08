-- Library-loading test product: silent, loads libraries named by the test.
global_silent_install = true
global_show_completewindow = false
global_install_mutex_guid = os.getenv("ORB_T_GUID")
