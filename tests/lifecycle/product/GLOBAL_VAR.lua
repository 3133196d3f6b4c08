-- The lifecycle test product, built at two versions (the build writes the version in)
-- from the template's scripts.
global_product_id = "ORBLifeTest"
global_product_name = "ORB Life"
global_product_version = "@LIFE_VERSION@"
global_publisher = "ORB Software"
global_main_app_name = "app.txt"
global_start_parameter = ""
global_uninstaller_name = "uninst.exe"
global_install_mutex_guid = "Global\\{3B1F6C2A-8E47-4D05-9A3C-5E6F7A8B9C0D}"
global_install_basepath = "ORB Life"
global_install_path = Lua_ExpandEnv("%ProgramFiles%\\") .. global_install_basepath
global_need_disk_space = tostring(@ORB_PAYLOAD_SIZE@ + 2 * 1024 * 1024)
global_licence_url = "https://example.com/orb-life/licence.html"
global_complate_download_url = "https://example.com/orb-life/"
global_help_url = "https://example.com/orb-life/help"
global_update_url = "https://example.com/orb-life/update"
global_startup_check_visable = true
global_startup_check = true
global_exit_codes = "standard"
global_silent_install = false
global_passive_install = false
global_show_completewindow = false
global_start_after_install = false
global_upgrade_rule = "upgrade"
global_same_version_rule = "repair"
global_downgrade_rule = "refuse"
global_other_folder_rule = "uninstall"
global_product_key = "Software\\ORB Life"
global_uninstall_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORBLifeTest"
global_run_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"

-- Failures the tests inject (ORB_LIFE_FAIL in the environment):
--   script     a script error once the files are unpacked (at the first shortcut)
--   regwrite   the uninstall entry's InstallLocation refused, as an ACL would
--   uninstall  a script error in the uninstaller half way through the files
--   noreboot   no file can be scheduled for the next start (as for a user without rights)
local inject = os.getenv("ORB_LIFE_FAIL")
if inject == "script" then
  Lua_CreateShortcut = function() error("injected failure after unpacking") end
elseif inject == "regwrite" then
  local add = Lua_RegAdd
  Lua_RegAdd = function(root, key, name, ...)
    if name == "InstallLocation" then return false end
    return add(root, key, name, ...)
  end
elseif inject == "noreboot" then
  Lua_MoveFileAfterReboot = function() return false end
elseif inject == "uninstall" then
  local delete, count = Lua_DelFileRecursive, 0
  Lua_DelFileRecursive = function(path)
    if path:find("ORB Life\\", 1, true) and not path:find(".lnk", 1, true) then
      count = count + 1
      if count == 3 then error("injected failure half way") end
    end
    return delete(path)
  end
end
