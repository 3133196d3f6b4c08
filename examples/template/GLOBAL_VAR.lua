-- Settings of the product. The setup runs this chunk first; the uninstaller
-- (the same host built with UNINSTSCRIPT.lua) runs it too, and the setup copies it into
-- the install folder as GLOBAL_VAR.LUAC. Globals named global_* are read by the host.

-- The product's id: the same in every version (it names the uninstall entry, which is
-- how a later setup finds this one). Never change it once a version has shipped.
global_product_id = "MyProduct"
global_product_name = "My Product"
global_product_version = "1.0.0"
global_publisher = "My Company"
global_main_app_name = "readme.txt"           -- your program: started by the completion dialog
global_start_parameter = ""
global_uninstaller_name = "uninst.exe"

-- One instance at a time, of the setup and of the uninstaller. Make a new GUID per product.
global_install_mutex_guid = "Global\\{D2A65F1C-3B7E-4C09-8E5A-6F1B2C3D4E50}"

-- For whom (modules/scope.lua): "machine" (all users: Program Files, HKLM; the setup
-- needs administrator rights), "user" (this user: %LocalAppData%\Programs, HKCU, no
-- administrator rights; build the setup and uninstaller with EXECUTION_LEVEL asInvoker)
-- or "both" (asInvoker too: /ALLUSERS or /CURRENTUSER, else global_install_scope_default
-- unless the setup already runs as administrator; per-machine starts the setup again
-- with administrator rights).
global_install_scope = "machine"
global_install_scope_default = "user"
-- 32 or 64: the bitness of your program. A 64-bit product installs into the native
-- Program Files, writes its keys in the 64-bit registry view, and is refused on 32-bit
-- Windows.
global_payload_bits = 32

-- Install folder: <program files>\My Product; the folder dialog keeps the last part.
global_install_basepath = "My Product"
-- Under Program Files, which only administrators may change: a folder elsewhere may be
-- writable by every user (see the scripting guide).
global_install_path = Lua_ExpandEnv("%ProgramFiles%\\") .. global_install_basepath

-- Bytes needed: the payload once unpacked (the build writes the figure in) and the
-- uninstaller with the two script copies (under 2 MB).
global_need_disk_space = tostring(@ORB_PAYLOAD_SIZE@ + 2 * 1024 * 1024)

global_licence_url = "https://example.com/my-product/licence.html"
global_complate_download_url = "https://example.com/my-product/"

-- Start with Windows: the default of the option (the silent road uses it as is).
global_startup_check_visable = true
global_startup_check = true

-- Exit codes deployment tools understand: 0 installed, 3010 restart needed, 1602
-- cancelled, 1603 failed, 1618 already running, 87 bad command line. Without this line
-- the setup ends with 1 when it ran to its end and 0 otherwise.
global_exit_codes = "standard"

-- Programs using the product's files (modules/inuse.lua): an interactive run asks;
-- an unattended one closes them (asking them to close; /NOCLOSEAPPLICATIONS leaves them
-- running, their files then change at the next restart with exit code 3010), and with
-- force (/FORCECLOSEAPPLICATIONS) ends those that do not close.
global_close_applications = true
global_force_close_applications = false

-- Run mode: interactive with the completion dialog; /S or /VERYSILENT switch to the
-- silent road, /SILENT or /PASSIVE to progress only (ORBSE_BeforeInit).
global_silent_install = false
global_passive_install = false
global_show_completewindow = true
global_start_after_install = false   -- /START

-- An optional component downloaded during the installation, kept only when its size
-- and SHA-256 match (leave the URL empty for none).
global_component_url = ""
global_component_file = "component.bin"
global_component_sha256 = ""   -- 64 hexadecimal digits
global_component_size = nil    -- bytes

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

-- Registry locations written by the setup and removed by the uninstaller (under HKLM
-- for all users, HKCU for one user). The uninstall key ends with global_product_id
-- (orbpack reads it from here).
global_product_key = "Software\\My Product"
global_uninstall_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MyProduct"
global_run_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
