global_product_name = "Tiny"
global_product_version = "2.3.4"
global_publisher = "Tiny Maker"
global_need_disk_space = tostring(@ORB_PAYLOAD_SIZE@)
global_exit_codes = "standard"
global_uninstall_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tiny"
