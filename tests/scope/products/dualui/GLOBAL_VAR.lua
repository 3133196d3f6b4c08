-- A dual-scope product whose first dialog offers "for all users".
global_product_name = "Scope Dual UI"
global_product_version = "1.0.0"
global_publisher = "ORB Tests"
global_main_app_name = "readme.txt"
global_start_parameter = ""
global_uninstaller_name = "uninst.exe"
global_install_mutex_guid = "Global\\{5A0C3E2B-7D14-4B6F-9E21-0C8D7F3A1B05}"
global_install_basepath = "Scope Dual UI"
global_install_path = Lua_ExpandEnv("%ProgramFiles%\\") .. global_install_basepath
global_install_scope = "both"
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
global_product_key = "Software\\ORB Scope Dual UI"
global_uninstall_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORB Scope Dual UI"
global_run_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"

-- Test seam: Wine counts every process as elevated. This product has administrator
-- rights only in the elevated second run the setup starts, so that run is made.
Lua_IsElevated = function()
  for _, word in ipairs(Lua_GetCommandLineArgv() or {}) do
    if word:upper():find("^/ELEVATEDRUN=") then return true end
  end
  return false
end
