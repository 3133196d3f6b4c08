-- Field Notes: settings, shared by the setup and its uninstaller.
global_product_name = "Field Notes"
global_install_mutex_guid = "Local\\{5b0e7f2a-3c41-4d8e-9a17-c2f4d61e8b03}"
global_silent_install = true        -- no layout: the silent road only
global_show_completewindow = false
global_install_path = "%ProgramFiles%\\Field Notes"
global_need_disk_space = tostring(@ORB_PAYLOAD_SIZE@ + 1048576)

product_key = "Software\\Field Notes"
uninstall_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Field Notes"
