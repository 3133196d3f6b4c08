-- Uninstall script. The uninstaller is the setup host built a second time
-- with this script as its install script (and GLOBAL_VAR.lua as its settings); the setup
-- writes it into the install folder as uninst.exe. It has no dialogs of its own: it
-- confirms with a message box and then takes the silent road.
--
-- Command line: /S (or /VERYSILENT, /SUPPRESSMSGBOXES) silent, no confirmation and no
-- final message; /LOG[=<file>], /NORESTART and /CLOSEAPPLICATIONS,
-- /NOCLOSEAPPLICATIONS, /FORCECLOSEAPPLICATIONS as for the setup (modules/cmdline.lua).
-- Programs holding the product's files are listed and closed on request (closed by
-- default when silent; modules/inuse.lua); a file still in use goes at the next restart
-- and the exit code is then 3010 (standard codes).
--
-- What it removes is what the setup recorded: the files listed in the product key, the
-- folders they made, the shortcuts, the registry entries and the Run value. Files the
-- user added to the install folder stay, and so does the folder then. It runs only from
-- the recorded install folder: a copy elsewhere removes nothing (exit code 1603). A file
-- that can be neither removed nor scheduled for the restart also gives 1603.
--
-- It removes from the scope the product was installed in (modules/scope.lua): the one
-- whose product key records its folder, HKCU and the user's shortcuts for a per-user
-- installation, HKLM and all users' shortcuts for a per-machine one (in the 64-bit view
-- for a 64-bit product). A per-machine removal without administrator rights starts the
-- uninstaller again elevated, as the setup does.
--
-- The uninstall entry goes last, after the files: an uninstall that fails half way
-- keeps it (and the product key with its file list), so it can be run again from
-- Settings.

-- One table per language (modules/lang.lua picks one in ORBSE_BeforeInit).
local TEXTS = {
  zh = {
    confirm = "确定要完全移除 %s 及其所有组件吗？",
    elsewhere = "%s 未安装在此文件夹中，卸载程序只能从安装文件夹运行。",
    done = "%s 已从您的计算机中移除。",
    reboot = "%s 已移除。部分文件正在使用中，将在重新启动计算机后删除。",
  },
  en = {
    confirm = "Do you want to remove %s and all of its components?",
    elsewhere = "%s is not installed in this folder. The uninstaller runs only from the installation folder.",
    done = "%s was removed from your computer.",
    reboot = "%s was removed. Some files are in use; they will be deleted when Windows restarts.",
  },
}
local T

local MB_OK, MB_OKCANCEL, MB_ICONQUESTION, MB_ICONINFORMATION, MB_SETFOREGROUND = 0, 1, 32, 64, 65536
local IDOK = 1

local function log(fmt, ...)
  Lua_Logout("[uninstall] " .. string.format(fmt, ...))
end

local function native(lib, name, result)
  local l = GLibTab[lib]
  if not l then return nil end
  return (l:Get(name, result))
end

local cmdline = require "cmdline"
local exitcode = require "exitcode"
local inuse = require "inuse"
local lang = require "lang"
local scope = require "scope"
local product = require "product"

-- A setup replacing this copy (another folder chosen) waits for this uninstaller while
-- holding the single-instance guard the two share.
if os.getenv("ORB_SETUP_WAITS") == product.id() and global_install_mutex_guid then
  global_install_mutex_guid = global_install_mutex_guid .. "-replaced"
end

local function starts_with(text, prefix)
  return text:sub(1, #prefix):lower() == prefix:lower()
end

local path_exists = native("shlwapi", "PathFileExistsW", "bool")
local set_current_dir = native("kernel32", "SetCurrentDirectoryW", "bool")

local function exists(path)
  local expanded = Lua_ExpandEnv(path)
  if path_exists then return (path_exists(WString.New(nil, expanded))) end
  local f = io.open(expanded, "rb")
  if f then f:close() return true end
  return false
end

local silent = false
local reboot_needed = false
local failures = 0

local function folder_of(path)
  return path:match("^(.*)\\[^\\]*$") or path
end

-- The install folder as recorded by the setup, when the uninstaller runs from it; nil
-- (logged, and told when someone watches) when it runs from anywhere else.
local function own_install_folder()
  local dir = folder_of(Lua_GetModuleFileName())
  local found, recorded = scope.find_installed(global_product_key, dir)
  if found then
    log("installed for %s in %s", found == scope.USER and "the current user" or "all users", recorded)
    return dir
  end
  log("refusing to run from %s: the product is not recorded there", dir)
  if not silent then
    Lua_MsgBox(string.format(T.elsewhere, global_product_name), global_product_name, MB_OK + MB_SETFOREGROUND)
  end
  return nil
end

-- The installed files as full paths, for the programs that hold them.
local function installed_files(dir)
  local paths = { dir .. "\\" .. global_main_app_name }
  local list = scope.query(global_product_key, "Files")
  if type(list) == "string" then
    for rel in list:gmatch("[^|]+") do paths[#paths + 1] = dir .. "\\" .. rel end
  end
  return paths
end

function ORBSE_BeforeInit()
  scope.add_switches(cmdline)
  cmdline.run()
  inuse.choose_language()
  if scope.elevated_run and scope.elevated_run ~= "" then global_log_file = scope.elevated_run end
  T = lang.choose(TEXTS)
  silent = global_silent_install or global_passive_install or global_suppress_msgboxes
  global_passive_install = false
  global_show_completewindow = false
  local dir = own_install_folder()
  if not dir then exitcode.quit("failed") end
  -- Removing a per-machine installation needs administrator rights: the uninstaller
  -- starts itself again elevated (before asking) and ends with that run's code.
  if scope.needs_elevation() then scope.elevate() end
  if not silent then
    local text = string.format(T.confirm, global_product_name)
    if Lua_MsgBox(text, global_product_name, MB_OKCANCEL + MB_ICONQUESTION + MB_SETFOREGROUND) ~= IDOK then
      log("cancelled by the user")
      exitcode.quit("cancelled")
    end
  end
  -- Asked here, while someone may still answer: the programs holding the files.
  inuse.free(installed_files(dir), "uninstall")
  -- No layout: the uninstaller always takes the silent road. (Message boxes are shown
  -- only while global_silent_install is false: ask first.)
  global_silent_install = true
end

-- A recorded path is removed only when it stays inside the install folder: relative,
-- without "." or ".." parts and without %NAME% references, which the file functions
-- would expand into anything. The host's file functions refuse a path on which any
-- folder is a link or junction.
local function inside_install_folder(dir, rel)
  local plain = (rel:gsub("/", "\\"))
  if plain:find("^\\") or plain:find(":") or plain:find("%%") or ("\\" .. plain .. "\\"):find("\\%.%.?\\") then
    return false
  end
  return true
end

-- Deletes a file now, or at the next restart when it is in use; true when it existed
-- and is gone or scheduled.
local function remove_file(path)
  if not exists(path) then return false end
  Lua_DelFileRecursive(path)
  if not exists(path) then return true end
  if Lua_MoveFileAfterReboot(path) then
    log("%s is in use; it goes at the next restart", path)
    reboot_needed = true
    return true
  end
  log("%s cannot be removed", path)
  failures = failures + 1
  return false
end

-- Removes a folder when it is empty; an in-use file inside defers it to the restart.
local function remove_folder(path)
  if not exists(path) then return end
  Lua_RemoveDirectory(path)
  if exists(path) and reboot_needed then Lua_MoveFileAfterReboot(path) end
  if exists(path) then log("%s is kept: it is not empty", path) end
end

local function remove_shortcuts()
  local name = global_product_name .. ".lnk"
  local folders = scope.shortcut_folders()
  Lua_RegVarByCSIDL("ORB_DESKTOP", folders.desktop)
  Lua_RegVarByCSIDL("ORB_PROGRAMS", folders.programs)
  Lua_RegVarByCSIDL("ORB_APPDATA", 26)
  remove_file("%ORB_DESKTOP%\\" .. name)
  remove_file("%ORB_APPDATA%\\Microsoft\\Internet Explorer\\Quick Launch\\" .. name)
  local folder = "%ORB_PROGRAMS%\\" .. global_product_name
  for _, link in ipairs({ name, "Uninstall " .. name, "Readme.lnk" }) do
    remove_file(folder .. "\\" .. link)
  end
  remove_folder(Lua_ExpandEnv(folder))
end

-- The uninstaller cannot delete its own running image, but it may move it: into the
-- temp folder, where it is deleted at the next restart, so the install folder can go.
local function move_self_away(self)
  local temp = Lua_GetTempFileName("%TEMP%", "orb")
  if temp and Lua_RenameFile(self, temp) then
    Lua_DeleteFileAfterReboot(temp)
    return true
  end
  if temp then Lua_DelFileRecursive(temp) end
  if Lua_DeleteFileAfterReboot(self) then
    reboot_needed = true
    return true
  end
  failures = failures + 1
  return false
end

function ORBSE_OnInstall()
  local self = Lua_GetModuleFileName()
  local dir = folder_of(self)
  log("uninstalling %s from %s", global_product_name, dir)
  if set_current_dir then set_current_dir(WString.New(nil, Lua_ExpandEnv("%TEMP%"))) end

  remove_shortcuts()

  local list = scope.query(global_product_key, "Files")
  scope.delete(global_run_key, global_product_name)

  if type(list) ~= "string" then
    -- Nothing recorded: remove only what every installation has.
    log("no file list in the product key")
    list = table.concat({ global_main_app_name, "readme.txt", "licence.txt", "GLOBAL_VAR.LUAC",
                          "UNINSTSCRIPT.LUAC", global_uninstaller_name }, "|")
  end

  local folders, count, moving_self = {}, 0, false
  for rel in list:gmatch("[^|]+") do
    local path = dir .. "\\" .. rel
    if not inside_install_folder(dir, rel) then
      log("%s is kept: it is not inside the install folder or passes through a link", rel)
    else
      -- This program goes last: while anything fails, the entry must still work.
      if rel:lower() == global_uninstaller_name:lower() and path:lower() == self:lower() then
        moving_self = true
      elseif remove_file(path) then
        count = count + 1
      end
      -- Every folder on the way to the file, deepest first later.
      local sub = rel:match("^(.*)\\[^\\]*$")
      while sub do
        folders[sub] = true
        sub = sub:match("^(.*)\\[^\\]*$")
      end
    end
  end
  if failures > 0 then
    log("%d files could not be removed; the uninstall entry is kept", failures)
    exitcode.quit("failed")
  end
  if moving_self and move_self_away(self) then count = count + 1 end
  local order = {}
  for f in pairs(folders) do order[#order + 1] = f end
  table.sort(order, function(a, b) return #a > #b end)
  for _, f in ipairs(order) do remove_folder(dir .. "\\" .. f) end
  remove_folder(dir)
  log("%d files removed%s", count, reboot_needed and "; some at the next restart" or "")
  -- The product key, then the uninstall entry: last, once the files are gone.
  scope.delete(global_product_key)
  if not product.remove_entry() then
    log("the uninstall entry could not be removed")
    exitcode.quit("failed")
  end
  -- Reported as exit code 3010 with standard codes.
  if reboot_needed then global_restart_required = true end
end

function ORBSE_AfterComplete()
  log("uninstall finished")
  if not silent then
    global_silent_install = false  -- the road is done; someone is watching
    local text = string.format(reboot_needed and T.reboot or T.done, global_product_name)
    Lua_MsgBox(text, global_product_name, MB_OK + MB_ICONINFORMATION + MB_SETFOREGROUND)
  end
end
