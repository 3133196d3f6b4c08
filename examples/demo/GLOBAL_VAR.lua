-- Settings of the ORB Demo product. The setup runs this chunk first; the uninstaller
-- (the same host built with UNINSTSCRIPT.lua) runs it too, and the setup copies it into
-- the install folder as GLOBAL_VAR.LUAC. Globals named global_* are read by the host.

-- The product's id: the same in every version (it names the uninstall entry, which is
-- how a later setup finds this one). Never change it once a version has shipped.
global_product_id = "ORB Demo"
global_product_name = "ORB Demo"
global_product_version = "1.0.0"
global_publisher = "ORB Software"
global_main_app_name = "orbdemo.exe"          -- started by the completion dialog
global_start_parameter = ""
global_uninstaller_name = "uninst.exe"

-- One instance at a time, of the setup and of the uninstaller.
global_install_mutex_guid = "Global\\{7C3E2B41-9D0A-4F58-B6E2-3A91C4D5E6F7}"

-- Install folder: <program files>\ORB Demo; the folder dialog keeps the last part.
global_install_basepath = "ORB Demo"
-- Under Program Files, which only administrators may change: a folder elsewhere may be
-- writable by every user (see the scripting guide).
global_install_path = Lua_ExpandEnv("%ProgramFiles%\\") .. global_install_basepath

-- Bytes needed: the payload once unpacked (the build writes the figure in) and the
-- uninstaller with the two script copies (under 2 MB).
global_need_disk_space = tostring(@ORB_PAYLOAD_SIZE@ + 2 * 1024 * 1024)

global_licence_url = "https://example.com/orb-demo/licence.html"
global_complate_download_url = "https://example.com/orb-demo/"

-- Start with Windows: the default of the option (the silent road uses it as is).
global_startup_check_visable = true
global_startup_check = true

-- Exit codes deployment tools understand: 0 installed, 3010 restart needed, 1602
-- cancelled, 1603 failed, 1618 already running, 87 bad command line.
global_exit_codes = "standard"

-- Run mode: interactive with the completion dialog; /S or /VERYSILENT switch to the
-- silent road, /SILENT or /PASSIVE to progress only (ORBSE_BeforeInit).
global_silent_install = false
global_passive_install = false
global_show_completewindow = true
global_start_after_install = false   -- /START

-- Versions (modules/lifecycle.lua): what a setup does when the product is installed
-- already. An older version: "upgrade" (into its folder) or "refuse"; the same version:
-- "repair" (write the files again) or "refuse"; a newer one: "refuse" (exit code 1638;
-- /ALLOWDOWNGRADE allows it once) or "allow"; /D= naming another folder than the
-- installed copy's: "uninstall" (that copy first, silently) or "refuse".
global_upgrade_rule = "upgrade"
global_same_version_rule = "repair"
global_downgrade_rule = "refuse"
global_other_folder_rule = "uninstall"
-- Links of the uninstall entry (HelpLink, URLUpdateInfo); leave empty for none.
global_help_url = ""
global_update_url = ""

-- Registry locations written by the setup and removed by the uninstaller. The
-- uninstall key ends with global_product_id (orbpack reads it from here).
global_product_key = "Software\\ORB Demo"
global_uninstall_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORB Demo"
global_run_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
