-- The library-loading product built as a per-user setup (asInvoker).
global_silent_install = true
global_show_completewindow = false
global_install_mutex_guid = os.getenv("ORB_T_GUID")
