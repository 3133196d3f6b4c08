-- The settings every scope test product shares (tests/scope/CMakeLists.txt puts the
-- product's name and GUID in, then appends its own settings.lua).
global_product_name = "@SCOPE_NAME@"
global_product_version = "1.0.0"
global_publisher = "ORB Tests"
global_main_app_name = "readme.txt"
global_start_parameter = ""
global_uninstaller_name = "uninst.exe"
global_install_mutex_guid = "Global\\{5A0C3E2B-7D14-4B6F-9E21-0C8D7F3A@SCOPE_GUID@}"
global_install_basepath = "@SCOPE_NAME@"
global_install_path = Lua_ExpandEnv("%ProgramFiles%\\") .. global_install_basepath
global_need_disk_space = tostring(@ORB_PAYLOAD_SIZE@ + 2 * 1024 * 1024)
global_licence_url = "https://example.com/licence.html"
global_complate_download_url = "https://example.com/"
global_startup_check_visable = true
global_startup_check = true
global_exit_codes = "standard"
global_silent_install = false
global_passive_install = false
global_show_completewindow = true
global_start_after_install = false
global_product_key = "Software\\ORB @SCOPE_NAME@"
global_uninstall_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORB @SCOPE_NAME@"
global_run_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
