-- lifecycle: one product across its versions, and installs that happen all or not at all.
--
-- Identity: global_product_id names the product's uninstall entry
-- (HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<id>, as global_uninstall_key
-- in GLOBAL_VAR.lua spells it out for the packer) and stays the same in
-- every version; the display name may change. Before anything is shown the setup reads
-- what is installed (folder, version, scope) from that entry and decides, by the rules
-- below (settings in GLOBAL_VAR.lua):
--
--   installed          setting                         default
--   nothing            -                               install
--   an older version   global_upgrade_rule             "upgrade": into its folder (the
--                                                      path box shows it); "refuse"
--   the same version   global_same_version_rule        "repair": the files are written
--                                                      again; "refuse"
--   a newer version    global_downgrade_rule           "refuse": exit code 1638 and a
--                                                      message; "allow". /ALLOWDOWNGRADE
--                                                      allows it for one run
--   in another folder  global_other_folder_rule        "uninstall": /D= elsewhere first
--   than /D= names                                     runs the old copy's uninstaller
--                                                      silently and waits; "refuse"
--
-- An entry that is corrupt or edited by hand (no folder, a folder that is missing or
-- outside where installs may go, a version that is not a dotted number) counts as
-- nothing installed, with a log line; nothing in it is trusted to delete.
--
-- All or nothing: M.begin opens the host's install journal before the first change.
-- Until M.commit, every file the install writes (the payload, the uninstaller, shortcuts
-- through M.file), every folder it makes and every registry value it writes or deletes
-- is recorded first, and files it replaces are renamed aside. A failure, a cancel or a
-- script error rolls all of it back (exit codes 1603 / 1602); a killed setup leaves the
-- journal behind and the next run rolls it back before anything else (M.recover). The
-- journal lives where only administrators can write (M.journal_folder).
--
-- The uninstall entry is written last (M.write_entry, every value checked) and removed
-- last by the uninstaller (M.remove_entry), after its files.
local cmdline = require "cmdline"
local exitcode = require "exitcode"
local lang = require "lang"
local product = require "product"
local scope = require "scope"

local M = {}

-- Exit code of a refused version change, as deployment tools know it from MSI
-- ("another version of this product is already installed").
exitcode.standard.other_version = 1638

M.languages = {
  zh = {
    upgrade = "%s %s 已安装在 %s，将更新到 %s。",
    repair = "%s %s 已安装在 %s，将重新写入其文件（修复）。",
    downgrade = "%s %s 已安装在 %s，将被替换为较旧的版本 %s。",
    move = "%s %s 已安装在 %s，将先卸载，再把 %s 安装到所选文件夹。",
    newer = "已安装更新的版本 %s %s（在 %s）。\n\n安装程序不会用较旧的版本 %s 替换它。如需降级，请先卸载，或用 /ALLOWDOWNGRADE 运行安装程序。",
    refused = "%s %s 已安装在 %s。此安装程序不能替换它，请先卸载。",
    old_uninstall_failed = "无法卸载 %s 中的旧版本，安装没有进行。",
  },
  en = {
    upgrade = "%s %s is installed in %s and will be updated to %s.",
    repair = "%s %s is installed in %s; its files will be written again (repair).",
    downgrade = "%s %s is installed in %s and will be replaced by the older version %s.",
    move = "%s %s is installed in %s; it will be removed first, then %s is installed into the chosen folder.",
    newer = "A newer version, %s %s, is installed in %s.\n\nThe setup does not replace it with the older version %s. To go back, uninstall it first, or run the setup with /ALLOWDOWNGRADE.",
    refused = "%s %s is installed in %s. This setup cannot replace it; please uninstall it first.",
    old_uninstall_failed = "The old version in %s could not be removed; nothing was installed.",
  },
}

local MB_OK, MB_ICONWARNING, MB_SETFOREGROUND = 0, 48, 65536

-- The setup's switch /ALLOWDOWNGRADE (call before cmdline.run).
function M.add_switches()
  cmdline.add("ALLOWDOWNGRADE", "none", { en = "install over a newer version", zh = "允许覆盖较新的版本" },
              function() global_allow_downgrade = true end)
end

local function log(fmt, ...)
  Lua_Logout("[lifecycle] " .. string.format(fmt, ...))
end

local function strip_slash(path)
  return (path:gsub("[\\/]+$", ""))
end

local function same_path(a, b)
  return strip_slash(a):gsub("/", "\\"):lower() == strip_slash(b):gsub("/", "\\"):lower()
end

local function starts_with(text, prefix)
  return text:sub(1, #prefix):lower() == prefix:lower()
end

-- Identity and the entry's place (modules/product.lua, shared with the uninstaller).
function M.id() return product.id() end
function M.root() return product.root() end
function M.entry_key() return product.entry_key() end

-- Parts of a dotted-number version ("2.10.0" -> { "2", "10", "0" }), leading zeros
-- dropped; nil when text is not one (empty, letters, "1..2", "-1").
function M.parse_version(text)
  if type(text) ~= "string" or not text:match("^%d+$") and not text:match("^%d+[%.%d]*%d$") then return nil end
  if text:find("..", 1, true) then return nil end
  local parts = {}
  for p in text:gmatch("%d+") do parts[#parts + 1] = (p:gsub("^0+(%d)", "%1")) end
  return parts
end

-- -1, 0 or 1 as version a is older than, the same as or newer than b; missing parts
-- count as 0 ("1.2" == "1.2.0"). Compared as digit strings, so any length is exact.
-- nil when either is not a version.
function M.compare(a, b)
  local pa, pb = M.parse_version(a), M.parse_version(b)
  if not pa or not pb then return nil end
  for i = 1, math.max(#pa, #pb) do
    local x, y = pa[i] or "0", pb[i] or "0"
    if #x ~= #y then return #x < #y and -1 or 1 end
    if x ~= y then return x < y and -1 or 1 end
  end
  return 0
end

-- Folders an installed copy may be in: a full path on a drive, not a drive's root,
-- without "." or ".." parts, not the Windows folder, and one ordinary users cannot
-- change (an entry pointing elsewhere was not written by this setup).
function M.allowed_folder(path)
  if type(path) ~= "string" or not path:match("^%a:[\\/]") then return false end
  local p = strip_slash((path:gsub("/", "\\")))
  if #p <= 2 or ("\\" .. p .. "\\"):find("\\%.%.?\\") or p:find("%%") then return false end
  local windows = strip_slash(Lua_ExpandEnv("%SystemRoot%"))
  if windows ~= "" and (p:lower() == windows:lower() or starts_with(p, windows .. "\\")) then return false end
  return Lua_UsersCanWrite(p) == false
end

-- What is installed: { dir, version, name, scope, uninstaller } from the uninstall
-- entry, or nil (logged when an entry exists but cannot be trusted).
function M.installed()
  local root, key = M.root(), M.entry_key()
  local dir = product.query("InstallLocation")
  local version = product.query("DisplayVersion")
  if dir == nil and version == nil then return nil end
  local why
  if type(dir) ~= "string" or dir == "" then
    why = "it names no folder"
  elseif not M.allowed_folder(dir) then
    why = "its folder " .. dir .. " is missing or not one installs may go to"
  elseif not M.parse_version(version) then
    why = "its version " .. tostring(version) .. " is not a version"
  end
  if why then
    log("the uninstall entry %s\\%s is not trusted (%s): treated as not installed", root, key, why)
    return nil
  end
  dir = strip_slash(dir)
  local uninstaller = dir .. "\\" .. global_uninstaller_name
  local name = product.query("DisplayName")
  return { dir = dir, version = version, name = type(name) == "string" and name or global_product_name,
           scope = root == "HKLM" and "machine" or "user",
           uninstaller = Lua_GetFileSize(uninstaller) and uninstaller or nil }
end

local function rule(name, default, allowed)
  local v = _G[name]
  if v == nil then return default end
  for _, a in ipairs(allowed) do if v == a then return v end end
  log("%s = %s is not one of %s: %s used", name, tostring(v), table.concat(allowed, ", "), default)
  return default
end

-- The action for what is installed: "install", "upgrade", "repair", "downgrade" or
-- "refuse" (with the reason "newer" or "refused").
function M.action(old)
  if not old then return "install" end
  local c = M.compare(old.version, global_product_version)
  if c == nil then return "install" end
  if c < 0 then
    return rule("global_upgrade_rule", "upgrade", { "upgrade", "refuse" }) == "upgrade" and "upgrade" or "refuse", "refused"
  elseif c == 0 then
    return rule("global_same_version_rule", "repair", { "repair", "refuse" }) == "repair" and "repair" or "refuse", "refused"
  end
  if global_allow_downgrade or rule("global_downgrade_rule", "refuse", { "refuse", "allow" }) == "allow" then
    return "downgrade"
  end
  return "refuse", "newer"
end

M.state = nil

local function unattended()
  return global_silent_install or global_passive_install or global_suppress_msgboxes
end

local function refuse(text, outcome)
  log("%s", text)
  if not unattended() then
    Lua_MsgBox(text, global_product_name, MB_OK + MB_ICONWARNING + MB_SETFOREGROUND)
  end
  exitcode.quit(outcome)
end

-- ORBSE_BeforeInit, once the scope is chosen: finishes what a killed run left, reads
-- what is installed and points the install folder at it (/D= may still name another).
function M.read_installed()
  M.recover()
  local old = M.installed()
  M.state = { old = old }
  if old then
    log("%s %s is installed in %s (%s)", old.name, old.version, old.dir, old.scope)
    global_install_path = old.dir
  end
end

-- ORBSE_BeforeInit, after cmdline.run and lang.choose: applies the rules. A refused
-- run ends here (exit code 1638); otherwise text_install_status is the line the first
-- dialog shows ("" for a new install).
function M.after_command_line()
  local T = lang.choose(M.languages)
  local old = M.state.old
  local action, why = M.action(old)
  M.state.action = action
  text_install_status = ""
  if not old then return action end
  local ver = global_product_version
  if action == "refuse" then
    if why == "newer" then
      refuse(string.format(T.newer, old.name, old.version, old.dir, ver), "other_version")
    end
    refuse(string.format(T.refused, old.name, old.version, old.dir), "other_version")
  end
  local fmt = ({ upgrade = T.upgrade, repair = T.repair, downgrade = T.downgrade })[action]
  text_install_status = string.format(fmt, old.name, old.version, old.dir, ver)
  log("%s", text_install_status)
  M.state.texts = T
  return action
end

-- ORBSE_BeforeInstall, once the folder is known: a folder other than the installed
-- copy's means moving it (checked against global_other_folder_rule).
function M.before_install(dir)
  local old = M.state and M.state.old
  if not old or same_path(old.dir, dir) then return end
  local T = M.state.texts or lang.choose(M.languages)
  if rule("global_other_folder_rule", "uninstall", { "uninstall", "refuse" }) == "refuse" then
    refuse(string.format(T.refused, old.name, old.version, old.dir), "other_version")
  end
  M.state.move = true
  log("%s", string.format(T.move, old.name, old.version, old.dir, global_product_version))
end

-- ORBSE_OnInstall, first: removes a copy in another folder through its own uninstaller
-- (silently; waits for it). A copy whose uninstaller fails stops the install (1603).
function M.remove_other_copy()
  local old = M.state and M.state.old
  if not (old and M.state.move) then return end
  local T = M.state.texts or lang.choose(M.languages)
  local ok = false
  if old.uninstaller then
    log("running %s /S", old.uninstaller)
    -- The uninstaller shares the setup's single-instance guard; this tells it that the
    -- setup waits for it (UNINSTSCRIPT.lua).
    local setenv = GLibTab.kernel32 and GLibTab.kernel32:Get("SetEnvironmentVariableW", "bool")
    if setenv then setenv(WString.New(nil, "ORB_SETUP_WAITS"), WString.New(nil, M.id())) end
    ok = Lua_Exec(old.uninstaller, nil, "/S", true)
    if setenv then setenv(WString.New(nil, "ORB_SETUP_WAITS"), nil) end
  else
    log("%s has no uninstaller %s", old.dir, global_uninstaller_name)
  end
  if not ok or product.query("InstallLocation") ~= nil then
    refuse(string.format(T.old_uninstall_failed, old.dir), "failed")
  end
end

-- The journal's folder: where only administrators can write (%ProgramData%\ORB Installer
-- \Journal, made administrators-only); per-user products: the user's own application
-- data. nil when it cannot be made safe (logged).
function M.journal_folder()
  local base
  if M.root() == "HKLM" then
    base = Lua_ExpandEnv("%ProgramData%")
    if base:find("%%") then base = Lua_ExpandEnv("%ALLUSERSPROFILE%") end
  else
    base = Lua_ExpandEnv("%LOCALAPPDATA%")
  end
  if base == "" or base:find("%%") then return nil end
  local folder = base .. "\\ORB Installer\\Journal"
  if Lua_UsersCanWrite(folder) == nil then
    if M.root() == "HKLM" then Lua_CreateSecureDirectory(folder) else Lua_CreateDirectory(folder) end
  end
  if M.root() == "HKLM" and Lua_UsersCanWrite(folder) ~= false then
    log("the journal folder %s is open to ordinary users: not used", folder)
    return nil
  end
  return Lua_UsersCanWrite(folder) ~= nil and folder or nil
end

function M.journal_file()
  local folder = M.journal_folder()
  return folder and (folder .. "\\" .. M.id():gsub('[\\/:%*%?"<>|%c]', "_") .. ".journal")
end

-- Finishes the journal a killed run left: its changes are rolled back (or, when it had
-- been committed, the files it kept aside deleted).
function M.recover()
  local file = M.journal_file()
  if file and Lua_GetFileSize(file) then
    log("an earlier run did not finish: undoing it (%s)", file)
    if not Lua_JournalRecover(file) then
      log("the earlier run could not be undone completely")
      exitcode.quit("failed")
    end
  end
end

-- Opens the journal for an install into dir; a journal that cannot be kept fails the
-- install before anything changed.
function M.begin(dir)
  local file = M.journal_file()
  if not (file and Lua_JournalBegin(file, dir)) then
    log("no install journal: nothing is installed")
    return false
  end
  M.open = true
  return true
end

-- The folders of path that do not exist yet, outermost first: what making it creates.
function M.missing_folders(path)
  local missing = {}
  local p = strip_slash(path)
  while p:match("^%a:\\.") and Lua_UsersCanWrite(p) == nil do
    table.insert(missing, 1, p)
    p = p:match("^(.*)\\[^\\]*$") or ""
  end
  return missing
end

-- Records folders the install is about to make (a list from M.missing_folders, taken
-- before making them), so a rollback removes them again when they are empty. Recorded
-- whether or not they exist yet: the rollback passes over those that were never made.
function M.folders_made(list)
  if not M.open then return true end
  for _, f in ipairs(list) do
    if not Lua_JournalFolder(f) then return false end
  end
  return true
end

-- Records a file the script is about to write (shortcuts, extracted resources).
function M.file(path)
  return not M.open or Lua_JournalFile(path)
end

-- Ends the install as done: the files kept aside go.
function M.commit()
  if not M.open then return true end
  M.open = false
  return Lua_JournalCommit()
end

-- Undoes everything the install did so far (exitcode.quit calls it for every outcome
-- but success).
function M.rollback()
  if not M.open then return end
  M.open = false
  log("undoing the install")
  if not Lua_JournalRollback() then log("the install could not be undone completely; the next run tries again") end
end

exitcode.before_quit[#exitcode.before_quit + 1] = function(outcome)
  if outcome ~= "installed" then M.rollback() end
end

-- Bytes of the listed files (relative to dir) as they are on disk.
function M.size_of(dir, files)
  local total = 0
  for _, f in ipairs(files) do total = total + (Lua_GetFileSize(dir .. "\\" .. f) or 0) end
  return total
end

-- Writes the uninstall entry, last of the install; every value is checked. False (and
-- the value's name logged) when one cannot be written.
function M.write_entry(dir, files)
  local root, key = M.root(), M.entry_key()
  local uninst = dir .. "\\" .. global_uninstaller_name
  local major, minor = global_product_version:match("^(%d+)%.?(%d*)")
  local repair = rule("global_same_version_rule", "repair", { "repair", "refuse" }) == "repair"
  local values = {
    { "DisplayName", "REG_SZ", global_product_name },
    { "DisplayVersion", "REG_SZ", global_product_version },
    { "VersionMajor", "REG_DWORD", tonumber(major) or 0 },
    { "VersionMinor", "REG_DWORD", tonumber(minor) or 0 },
    { "Publisher", "REG_SZ", global_publisher },
    { "InstallLocation", "REG_SZ", dir },
    { "UninstallString", "REG_SZ", '"' .. uninst .. '"' },
    { "QuietUninstallString", "REG_SZ", '"' .. uninst .. '" /S' },
    { "DisplayIcon", "REG_SZ", dir .. "\\" .. global_main_app_name .. ",0" },
    { "InstallDate", "REG_SZ", os.date("%Y%m%d") },
    { "URLInfoAbout", "REG_SZ", global_complate_download_url },
    { "HelpLink", "REG_SZ", global_help_url },
    { "URLUpdateInfo", "REG_SZ", global_update_url },
    { "EstimatedSize", "REG_DWORD", math.ceil(M.size_of(dir, files) / 1024) },
    { "NoModify", "REG_DWORD", 1 },
    -- Running the setup again repairs only when the same version may be written again.
    { "NoRepair", "REG_DWORD", repair and 0 or 1 },
  }
  for _, v in ipairs(values) do
    if v[3] ~= nil and v[3] ~= "" then
      if not product.set(v[1], v[2], v[3]) then
        log("cannot write %s\\%s\\%s", root, key, v[1])
        return false
      end
    elseif product.query(v[1]) ~= nil then
      scope.delete(key, v[1])  -- an older version's link the new one no longer has
    end
  end
  return true
end

return M
