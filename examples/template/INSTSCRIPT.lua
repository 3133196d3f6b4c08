-- Install script: the five hooks the setup calls, in the order it calls them.
-- Product-specific values all come from GLOBAL_VAR.lua, so the script fits other products.
--
-- Command line (read in ORBSE_BeforeInit): the switches of the cmdline module (/S,
-- /VERYSILENT, /SILENT, /PASSIVE, /SUPPRESSMSGBOXES, /D=, /DIR=, /LOG, /NORESTART,
-- /LANG=, /CLOSEAPPLICATIONS, /NOCLOSEAPPLICATIONS, /FORCECLOSEAPPLICATIONS, /?; see
-- modules/cmdline.lua) and this product's own:
--   /START        start the program when the setup has finished
--   /NOAUTOSTART  do not start the program with Windows
-- and the scope module's /ALLUSERS and /CURRENTUSER (modules/scope.lua): per-machine or
-- per-user, as global_install_scope allows.
--
-- Exit codes (global_exit_codes = "standard" in GLOBAL_VAR.lua): 0 installed, 3010
-- installed but Windows must restart, 1602 cancelled, 1603 failed, 1618 another
-- instance runs, 87 bad command line, 1638 another version is installed and may not be
-- replaced (modules/exitcode.lua).
--
-- Versions (modules/lifecycle.lua, rules in GLOBAL_VAR.lua): an older version is
-- updated in its folder, the same version repaired, a newer one kept (1638) unless
-- /ALLOWDOWNGRADE. An install that fails, is cancelled or hits a script error leaves
-- the machine as it was; the uninstall entry is written last.
--
-- Files in use (modules/inuse.lua): programs holding the product's files are listed and
-- closed on request (closed by default in unattended runs); a file still held is
-- replaced at the next start of Windows, and the exit code is then 3010.

local cmdline = require "cmdline"
local exitcode = require "exitcode"
local inuse = require "inuse"
local lang = require "lang"
local scope = require "scope"
local lifecycle = require "lifecycle"
-- A file in use that is freed is then moved aside by the install journal, so that a
-- failed install can put it back.
inuse.keep_old = lifecycle.file

-- Texts shown to the user, one table per language (modules/lang.lua picks one in
-- ORBSE_BeforeInit); add a language by adding a table.
local TEXTS = {
  zh = {
    old_os = "%s 需要 Windows Vista 或更高版本的 Windows。",
    unpack_failed = "无法解压安装文件到\n%s\n\n点击“重试”再试一次，或点击“取消”结束安装。",
    no_folder = "无法创建安装目录：\n%s",
    bad_folder = "不能安装到这个文件夹：\n%s\n\n请选择磁盘上的完整路径，不能是磁盘根目录或 Windows 文件夹。",
    user_folder = "不能安装到这个文件夹：\n%s\n\n普通用户可以更改其中的文件，程序可能被替换。请选择其他文件夹，例如 Program Files 中的文件夹。",
    failed = "安装没有完成，请重新运行安装程序。",
  },
  en = {
    old_os = "%s needs Windows Vista or a later version of Windows.",
    unpack_failed = "Cannot unpack the setup's files to\n%s\n\nClick Retry to try again, or Cancel to end the setup.",
    no_folder = "Cannot create the install folder:\n%s",
    bad_folder = "The setup cannot install into this folder:\n%s\n\nChoose a full path on a drive; not a drive's root folder, nor the Windows folder.",
    user_folder = "The setup cannot install into this folder:\n%s\n\nOrdinary users can change the files in it, so the program could be replaced. Choose another folder, for example one in Program Files.",
    failed = "The installation did not complete. Please run the setup again.",
  },
}

-- Texts of the dialogs: LAYOUT.XML shows them through "$name$" placeholders.
local LAYOUT_TEXTS = {
  zh = {
    text_install = "立即安装",
    text_licence_accept = "阅读并同意",
    text_licence_link = "软件许可协议",
    text_quick_launch = "创建任务栏快捷方式",
    text_start_menu = "创建开始菜单快捷方式",
    text_autostart = "开机自动启动",
    text_installing = "安装中...",
    text_complete = "安装完成",
    text_thanks = "感谢您选择 " .. global_product_name,
    text_start = "立即体验",
    text_updating = "正在更新请稍候...",
    text_yes = "是",
    text_no = "否",
    -- What a screen reader says for the image-only buttons and the path box.
    text_close = "关闭",
    text_browse = "浏览",
    text_install_path = "安装路径",
  },
  en = {
    text_install = "Install now",
    text_licence_accept = "I accept the",
    text_licence_link = "licence terms",
    text_quick_launch = "Taskbar shortcut",
    text_start_menu = "Start menu shortcut",
    text_autostart = "Start with Windows",
    text_installing = "Installing...",
    text_complete = "Installation complete",
    text_thanks = "Thank you for choosing " .. global_product_name,
    text_start = "Start now",
    text_updating = "Updating, please wait...",
    text_yes = "Yes",
    text_no = "No",
    text_close = "Close",
    text_browse = "Browse",
    text_install_path = "Install folder",
  },
}

local T = TEXTS[lang.default]

-- MessageBoxW styles and answers.
local MB_OK, MB_RETRYCANCEL, MB_ICONERROR, MB_ICONWARNING, MB_ICONINFORMATION, MB_SETFOREGROUND = 0, 5, 16, 48, 64, 65536
local IDRETRY = 4

local function log(fmt, ...)
  Lua_Logout("[setup] " .. string.format(fmt, ...))
end

-- A system function through the native bridge, or nil when it cannot be bound.
local function native(lib, name, result)
  local l = GLibTab[lib]
  if not l then return nil end
  return (l:Get(name, result))
end

-- Nobody to ask: silent, progress only, or message boxes suppressed.
local function unattended()
  return global_silent_install or global_passive_install or global_suppress_msgboxes
end

local function fail(text)
  log("install failed: %s", text)
  if not unattended() then
    Lua_MsgBox(text, global_product_name, MB_OK + MB_ICONERROR + MB_SETFOREGROUND)
  end
  exitcode.quit("failed")
end

local function strip_slash(path)
  return (path:gsub("[\\/]+$", ""))
end

local function starts_with(text, prefix)
  return text:sub(1, #prefix):lower() == prefix:lower()
end

-- Folders no product belongs in, the same rules the install dialog applies: anything
-- but a full path on a drive ("C:name" is relative to that drive's current folder), a
-- path with "." or ".." parts, a drive root, the Windows folder or anything inside it.
local function refused_folder(path)
  if not path:match("^%a:[\\/]") then return true end
  local p = strip_slash((path:gsub("/", "\\")))
  if #p <= 2 or ("\\" .. p .. "\\"):find("\\%.%.?\\") then return true end
  local windows = strip_slash(Lua_ExpandEnv("%SystemRoot%"))
  return windows ~= "" and (p:lower() == windows:lower() or starts_with(p, windows .. "\\"))
end

-- A per-machine product (HKLM) is installed for all users: its folder must be one only
-- administrators can change, or any user could replace the programs that then run
-- elevated or at every logon. An existing folder is checked; a new one inside Program
-- Files takes that folder's permissions, elsewhere it gets administrators-only ones.
local function in_program_files(path)
  for _, name in ipairs({ "%ProgramFiles%", "%ProgramFiles(x86)%", "%ProgramW6432%" }) do
    local pf = strip_slash(Lua_ExpandEnv(name))
    if pf ~= "" and not pf:find("%%") and starts_with(path, pf .. "\\") then return true end
  end
  return false
end

-- A per-user product runs with its user's rights only: its folder is the user's own.
local function users_can_change(path)
  return scope.current == scope.MACHINE and Lua_UsersCanWrite(path) == true
end

local function make_install_folder(path)
  if Lua_UsersCanWrite(path) ~= nil then return true end
  if scope.current == scope.USER or in_program_files(path) then return Lua_CreateDirectory(path) end
  return Lua_CreateSecureDirectory(path)
end

-- A check box's published state, or the default when the dialog did not run.
local function option(value, default)
  if value == nil then return default end
  return value ~= false
end

-- The files of the installed version in dir (the product's program, and what the
-- setup recorded), as full paths: the programs holding them are closed before the update.
local function installed_files(dir)
  local paths = { dir .. "\\" .. global_main_app_name }
  local list = scope.query(global_product_key, "Files")
  if type(list) == "string" then
    for rel in list:gmatch("[^|]+") do paths[#paths + 1] = dir .. "\\" .. rel end
  end
  return paths
end

function ORBSE_BeforeInit()
  log("%s %s setup", global_product_name, global_product_version)
  cmdline.add("START", "none", { en = "start the program when the setup has finished",
                                 zh = "安装完成后启动程序" },
              function() global_start_after_install = true end)
  cmdline.add("NOAUTOSTART", "none", { en = "do not start the program with Windows",
                                       zh = "不随 Windows 启动程序" },
              function() global_startup_check = false end)
  scope.add_switches(cmdline)
  lifecycle.add_switches()
  local settings_path = global_install_path
  -- What a killed run left is undone first, whatever this run then does (in the scope
  -- the settings name; read_installed finishes the chosen scope's).
  lifecycle.recover()
  cmdline.run()
  inuse.choose_language()
  local named_path = global_install_path ~= settings_path and global_install_path or nil  -- /D=, /DIR=
  T = lang.choose(TEXTS)
  lang.publish(lang.choose(LAYOUT_TEXTS))

  -- For all users or for this user; a per-machine choice without administrator rights
  -- starts the setup again elevated, and this run ends with that one's exit code.
  scope.choose()
  if scope.needs_elevation() then scope.elevate() end
  -- In the chosen scope: a run that was killed is undone first; an update goes where the
  -- product already is, unless /D names another folder.
  global_install_path = scope.default_install_path()
  lifecycle.read_installed()
  if named_path then global_install_path = named_path end
  global_install_path = strip_slash(global_install_path)
  -- A newer version installed ends the run here (1638); otherwise text_install_status
  -- tells the first dialog what will happen.
  lifecycle.after_command_line()

  local major = Lua_GetOSVersion()
  if major < 6 then
    log("Windows major version %d is too old", major)
    if not unattended() then
      Lua_MsgBox(string.format(T.old_os, global_product_name), global_product_name,
                 MB_OK + MB_ICONERROR + MB_SETFOREGROUND)
    end
    exitcode.quit("failed")
  end
  log("silent: %s, passive: %s, install path: %s", tostring(global_silent_install),
      tostring(global_passive_install), global_install_path)
end

local install_dir, options, installed_now

function ORBSE_BeforeInstall()
  -- InstallPath is the path box of the first dialog (the silent road copies
  -- global_install_path into it). The completion dialog starts the program from
  -- global_install_path, so it follows the user's choice.
  install_dir = strip_slash(Lua_ExpandEnv(InstallPath))
  -- A dual-scope product's layout may offer a check box AllUsersChk in the first dialog:
  -- its answer counts when no switch chose. The path box's default follows the choice;
  -- per-machine without administrator rights continues in the elevated second run,
  -- with progress only.
  if AllUsersChk ~= nil and scope.setting() == "both" and not scope.requested and not scope.elevated_run then
    local chosen = AllUsersChk and scope.MACHINE or scope.USER
    if chosen ~= scope.current then
      if install_dir:lower() == scope.default_install_path(scope.current):lower() then
        install_dir = scope.default_install_path(chosen)
      end
      scope.current = chosen
      log("chosen in the dialog: %s", chosen)
      if scope.needs_elevation() then
        scope.elevate('/PASSIVE /DIR="' .. install_dir .. '"' .. (ShouldStartWithWindowsChk == false and " /NOAUTOSTART" or ""))
      end
    end
  end
  if refused_folder(install_dir) then fail(string.format(T.bad_folder, install_dir)) end
  if users_can_change(install_dir) then fail(string.format(T.user_folder, install_dir)) end
  global_install_path = install_dir
  lifecycle.before_install(install_dir)
  options = {
    desktop = option(DesktopShortcutChk, true),
    startmenu = option(StartMenuShortcutChk, true),
    quicklaunch = option(QuickLaunchChk, true),
    autostart = option(ShouldStartWithWindowsChk, global_startup_check),
  }
  log("install into %s; desktop %s, start menu %s, quick launch %s, start with Windows %s", install_dir,
      tostring(options.desktop), tostring(options.startmenu), tostring(options.quicklaunch),
      tostring(options.autostart))
end

-- Unpacks a 7z resource (the payload, the uninstaller). A file held by another program
-- is handled by the inuse module (its holders closed by the policy, else written beside
-- it for the next start). An archive that cannot be unpacked asks to retry (the whole
-- archive again) or cancel. Answers the installed files, relative to dir.
local function unpack(dir, resource)
  local files = {}
  local function on_file(path)
    if starts_with(path, dir .. "\\") then files[#files + 1] = path:sub(#dir + 2) end
  end
  while true do
    files = {}
    if Lua_UnCompress7z(resource, dir, false, on_file, inuse.on_locked) then
      local later = inuse.place_side_files(dir, resource)
      if not later then fail(T.failed) end
      for _, rel in ipairs(later) do files[#files + 1] = rel end
      return files
    end
    if unattended() then fail(T.failed) end
    if Lua_MsgBox(string.format(T.unpack_failed, dir), global_product_name,
                  MB_RETRYCANCEL + MB_ICONWARNING + MB_SETFOREGROUND) ~= IDRETRY then
      fail(T.failed)
    end
  end
end

-- A shortcut, recorded in the install journal first (a failed install removes it, or
-- puts back the one it replaced).
local function shortcut(target, link, ...)
  if not lifecycle.file(link) then fail(T.failed) end
  return Lua_CreateShortcut(target, link, ...)
end

local function create_shortcuts(dir)
  local app = dir .. "\\" .. global_main_app_name
  local name = global_product_name .. ".lnk"
  local folders = scope.shortcut_folders()
  Lua_RegVarByCSIDL("ORB_DESKTOP", folders.desktop)    -- all users' or this user's desktop
  Lua_RegVarByCSIDL("ORB_PROGRAMS", folders.programs)  -- all users' or this user's start menu programs
  Lua_RegVarByCSIDL("ORB_APPDATA", 26)    -- this user's application data (quick launch)
  if options.desktop then
    shortcut(app, "%ORB_DESKTOP%\\" .. name, nil, global_product_name)
  end
  if options.startmenu then
    local folder = "%ORB_PROGRAMS%\\" .. global_product_name .. "\\"
    -- The folder is recorded before the links in it, so that a rollback (newest first)
    -- removes the links and then the folder.
    if not lifecycle.folders_made(lifecycle.missing_folders(Lua_ExpandEnv(folder))) then fail(T.failed) end
    shortcut(app, folder .. name, nil, global_product_name)
    shortcut(dir .. "\\" .. global_uninstaller_name, folder .. "Uninstall " .. name, nil,
             "Uninstall " .. global_product_name)
    shortcut(dir .. "\\readme.txt", folder .. "Readme.lnk")
  end
  if options.quicklaunch then
    shortcut(app, "%ORB_APPDATA%\\Microsoft\\Internet Explorer\\Quick Launch\\" .. name, nil,
             global_product_name)
  end
end

-- A recorded path stays inside the install folder: relative, without "." or ".." parts
-- and without %NAME% references.
local function inside(rel)
  local plain = (rel:gsub("/", "\\"))
  return not (plain:find("^\\") or plain:find(":") or plain:find("%%") or ("\\" .. plain .. "\\"):find("\\%.%.?\\"))
end

-- An update removes the files of the version it replaces that the new one no longer
-- ships (put aside in the journal: back if the install fails). One that cannot go (in
-- use) stays on the uninstaller's list. Answers their folders, to tidy once committed.
local function remove_previous_files(dir, files)
  local old = scope.query(global_product_key, "Files")
  local old_dir = scope.query(global_product_key, "InstallPath")
  local folders = {}
  if type(old) ~= "string" or type(old_dir) ~= "string" or old_dir:lower() ~= dir:lower() then return folders end
  local seen = {}
  for _, f in ipairs(files) do seen[f:lower()] = true end
  for f in old:gmatch("[^|]+") do
    if not seen[f:lower()] and inside(f) then
      seen[f:lower()] = true
      local path = dir .. "\\" .. f
      if Lua_GetFileSize(path) == nil then
        -- already gone (or a folder or link, which a file list never names)
      elseif lifecycle.file(path) then
        log("%s is not part of this version: removed", f)
        local sub = f:match("^(.*)\\[^\\]*$")
        while sub do
          folders[#folders + 1] = dir .. "\\" .. sub
          sub = sub:match("^(.*)\\[^\\]*$")
        end
      else
        files[#files + 1] = f
      end
    end
  end
  table.sort(folders, function(a, b) return #a > #b end)
  return folders
end

-- Into the scope's root (HKLM or HKCU), in the 64-bit view for a 64-bit product. Every
-- value is checked: one that cannot be written fails the install, which is then rolled
-- back. The uninstall entry comes last (lifecycle.write_entry).
local function write_registry(dir, files)
  local function set(key, name, kind, data)
    if not scope.set(key, name, kind, data) then
      log("cannot write %s\\%s\\%s", scope.uninstall_root(), key, name)
      fail(T.failed)
    end
  end

  -- The product's own key: read by the program, and the uninstaller's list of what to
  -- remove (relative paths; stored unexpanded, so no length limit applies).
  local p = global_product_key
  set(p, "InstallPath", "REG_SZ", dir)
  set(p, "Version", "REG_SZ", global_product_version)
  set(p, "InstallDate", "REG_SZ", os.date("%Y-%m-%d %H:%M"))
  set(p, "Files", "REG_EXPAND_SZ", table.concat(files, "|"))
  set(p, "InstallScope", "REG_SZ", scope.current)

  if options.autostart then
    set(global_run_key, global_product_name, "REG_SZ", '"' .. dir .. "\\" .. global_main_app_name .. '" /autostart')
  else
    scope.delete(global_run_key, global_product_name)
  end
  -- Files only this install wrote count, not those of the version it replaced.
  if not lifecycle.write_entry(dir, installed_now) then fail(T.failed) end
end

-- The optional component (global_component_url in GLOBAL_VAR.lua): downloaded into the
-- install folder and kept only when its size and SHA-256 match the settings. It is
-- optional: a failed download is logged and the installation goes on without it.
local function download_component(dir, files)
  local url = global_component_url
  if type(url) ~= "string" or url == "" then return end
  local name = global_component_file or url:match("([^/\\?#]+)[?#]?[^/\\]*$") or "component.bin"
  if type(global_component_sha256) ~= "string" or global_component_sha256 == "" then
    log("optional component %s not installed: global_component_sha256 is not set", name)
    return
  end
  local ok = Lua_URLDownloadToFileAsync(url, dir .. "\\" .. name,
    { sha256 = global_component_sha256, size = global_component_size, wait = true })
  if ok then
    files[#files + 1] = name
    log("optional component %s installed", name)
  else
    log("optional component %s not installed: the download failed or did not match", name)
  end
end

function ORBSE_OnInstall()
  local dir = install_dir
  -- A copy in another folder goes first, through its own uninstaller.
  lifecycle.remove_other_copy()
  inuse.free(installed_files(dir), "install")
  -- From here on every change is recorded and undone if the install does not finish.
  if not lifecycle.begin(dir) then fail(T.failed) end
  if not lifecycle.folders_made(lifecycle.missing_folders(dir)) then fail(T.failed) end
  if not make_install_folder(dir) then fail(string.format(T.no_folder, dir)) end
  local files = unpack(dir, "App.7z")
  log("%d files unpacked", #files)

  -- The uninstaller, and the two chunks it is made of for repair and support tools.
  for _, f in ipairs(unpack(dir, "UNINST.7Z")) do files[#files + 1] = f end
  for _, chunk in ipairs({ "GLOBAL_VAR.LUAC", "UNINSTSCRIPT.LUAC" }) do
    local path = dir .. "\\" .. chunk
    if not (lifecycle.file(path) and Lua_ExtractResource("LUA", chunk, path)) then fail(T.failed) end
    files[#files + 1] = chunk
  end
  installed_now = {}
  for i, f in ipairs(files) do installed_now[i] = f end

  download_component(dir, files)
  local emptied = remove_previous_files(dir, files)
  create_shortcuts(dir)
  write_registry(dir, files)
  if not lifecycle.commit() then fail(T.failed) end
  for _, folder in ipairs(emptied) do Lua_RemoveDirectory(folder) end
  inuse.restart()
  log("installed %s %s into %s%s", global_product_name, global_product_version, dir,
      global_restart_required and "; some files are replaced at the next start" or "")
end

function ORBSE_BeforeComplete()
  -- Let Explorer pick up the new icons (SHCNE_ASSOCCHANGED).
  local notify = native("shell32", "SHChangeNotify", "void")
  if notify then notify(0x08000000, 0, nil, nil) end
end

function ORBSE_AfterComplete()
  -- With the completion dialog the user starts the program with its button.
  local dialog = global_show_completewindow and not global_silent_install and not global_passive_install
  if global_start_after_install and not dialog then
    local app = global_install_path .. "\\" .. global_main_app_name
    log("starting %s", app)
    Lua_Exec(app, "asuser", global_start_parameter, false)  -- not with the setup's elevated token
  end
  if global_restart_required and not unattended() then
    Lua_MsgBox(string.format(inuse.text("reboot"), global_product_name), global_product_name,
               MB_OK + MB_ICONINFORMATION + MB_SETFOREGROUND)
  end
  log("setup finished")
end
