-- scope: for whom the product is installed, and where.
--
--   per-machine ("machine"): %ProgramFiles%\<product> (the native Program Files for a
--     64-bit product), HKLM, all users' shortcuts; needs administrator rights.
--   per-user ("user"): %LocalAppData%\Programs\<product>, HKCU, the user's own
--     shortcuts; no administrator rights.
--
-- Settings (GLOBAL_VAR.lua):
--   global_install_scope          "machine" (default), "user" or "both"
--   global_install_scope_default  with "both", the choice when nothing else decides:
--                                 "user" (default) or "machine"
--   global_payload_bits           32 (default) or 64: a 64-bit product installs into the
--                                 native folders, writes its keys in the 64-bit registry
--                                 view and is refused on 32-bit Windows
--
-- Switches (scope.add_switches, before cmdline.run): /ALLUSERS, /CURRENTUSER, and
-- /ELEVATEDRUN=<log file>, which the setup gives its own elevated second run.
--
-- A setup that may install for all users but runs without administrator rights (built
-- asInvoker, see EXECUTION_LEVEL) starts itself again elevated when per-machine is
-- chosen, with the same command line, and ends with that run's exit code
-- (scope.elevate). The uninstaller finds the scope from the key that records its folder
-- (scope.find_installed) and removes from that scope only.
local lang = require "lang"
local exitcode = require "exitcode"

local M = {}

M.MACHINE, M.USER = "machine", "user"

-- Messages, one table per language (lang picks one); M.texts.<name> replaces one.
M.languages = {
  en = {
    machine_only = "%s can only be installed for all users of this computer (/ALLUSERS).",
    user_only = "%s can only be installed for the current user (/CURRENTUSER).",
    needs_64bit = "%s is a 64-bit program. It cannot be installed on 32-bit Windows.",
    no_admin = "%s for all users of this computer needs administrator rights, and they were not given.",
    all_users = "Install for all users",
  },
  zh = {
    machine_only = "%s 只能为这台计算机的所有用户安装（/ALLUSERS）。",
    user_only = "%s 只能为当前用户安装（/CURRENTUSER）。",
    needs_64bit = "%s 是 64 位程序，不能安装在 32 位 Windows 上。",
    no_admin = "为这台计算机的所有用户安装或卸载 %s 需要管理员权限，但没有获得该权限。",
    all_users = "为所有用户安装",
  },
}
M.texts = {}

M.current = nil        -- the chosen scope, after M.choose (or M.find_installed)
M.requested = nil      -- /ALLUSERS or /CURRENTUSER
M.elevated_run = nil   -- /ELEVATEDRUN: this is the elevated second run (its log file)

local MB_OK, MB_ICONERROR, MB_SETFOREGROUND = 0, 16, 65536

local function log(fmt, ...)
  Lua_Logout("[scope] " .. string.format(fmt, ...))
end

local function strip_slash(path)
  return (path:gsub("[\\/]+$", ""))
end

function M.text(name)
  local texts = lang.choose(M.languages)
  return M.texts[name] or texts[name] or M.languages.en[name]
end

local function unattended()
  return global_silent_install or global_passive_install or global_suppress_msgboxes
end

-- Tells the user (or the log) and ends the run with the outcome's exit code.
local function refuse(name, outcome)
  local text = string.format(M.text(name), global_product_name or "")
  log("%s", text)
  if not unattended() then Lua_MsgBox(text, global_product_name or "", MB_OK + MB_ICONERROR + MB_SETFOREGROUND) end
  exitcode.quit(outcome or "failed")
end

-- "machine", "user" or "both" from global_install_scope.
function M.setting()
  local s = global_install_scope
  if s == M.USER or s == "both" then return s end
  return M.MACHINE
end

function M.allowed(scope)
  local s = M.setting()
  return s == "both" or s == scope
end

function M.is64()
  return tonumber(global_payload_bits) == 64
end

-- The view argument of the registry functions for the product's keys: 64 for a
-- 64-bit product, nil (the setup's own view) otherwise.
function M.registry_view()
  return M.is64() and 64 or nil
end

-- Root of the uninstall entry and the product's keys: "HKLM" or "HKCU".
function M.uninstall_root(scope)
  return (scope or M.current) == M.USER and "HKCU" or "HKLM"
end

-- Folder under which the product's own folder is made.
function M.install_base(scope)
  if (scope or M.current) == M.USER then
    return strip_slash(Lua_ExpandEnv("%LOCALAPPDATA%")) .. "\\Programs"
  end
  if M.is64() then return strip_slash(Lua_GetNativeFolder("ProgramFiles") or Lua_ExpandEnv("%ProgramFiles%")) end
  return strip_slash(Lua_ExpandEnv("%ProgramFiles%"))
end

-- The default install folder of a scope. A 32-bit per-machine product keeps the
-- global_install_path its settings give.
function M.default_install_path(scope)
  scope = scope or M.current
  if scope == M.MACHINE and not M.is64() and global_install_path and global_install_path ~= "" then
    return strip_slash(global_install_path)
  end
  return M.install_base(scope) .. "\\" .. global_install_basepath
end

-- CSIDL numbers of the desktop and the start menu's programs folder of a scope.
function M.shortcut_folders(scope)
  if (scope or M.current) == M.USER then return { desktop = 16, programs = 2 } end
  return { desktop = 25, programs = 23 }
end

-- The registry functions on the scope's root, in the product's view.
function M.query(key, name, scope)
  local view = M.registry_view()
  if view then return Lua_RegQuery(M.uninstall_root(scope), key, name, view) end
  return Lua_RegQuery(M.uninstall_root(scope), key, name)
end

function M.set(key, name, kind, data, scope)
  local view = M.registry_view()
  if view then return Lua_RegAdd(M.uninstall_root(scope), key, name, kind, data, true, view) end
  return Lua_RegAdd(M.uninstall_root(scope), key, name, kind, data, true)
end

-- Deletes a value, or with name nil the key with its tree.
function M.delete(key, name, scope)
  local root, view = M.uninstall_root(scope), M.registry_view()
  if name == nil then
    if view then return Lua_RegDel(root, key, nil, view) end
    return Lua_RegDel(root, key)
  end
  if view then return Lua_RegDel(root, key, name, view) end
  return Lua_RegDel(root, key, name)
end

function M.add_switches(cmdline)
  cmdline.add("ALLUSERS", "none", { en = "install for all users of the computer", zh = "为计算机的所有用户安装" },
              function() M.requested = M.MACHINE end)
  cmdline.add("CURRENTUSER", "none", { en = "install for the current user only", zh = "只为当前用户安装" },
              function() M.requested = M.USER end)
  cmdline.add("ELEVATEDRUN", "required", { en = "used by the setup when it starts itself with administrator rights",
                                           zh = "安装程序以管理员权限重新启动自己时使用" },
              function(file) M.elevated_run = file end, { en = "log file", zh = "日志文件" })
end

-- True when the machine can run the payload; a 64-bit product needs a 64-bit Windows.
function M.architecture_fits()
  if not M.is64() then return true end
  local arch = Lua_GetNativeArchitecture()
  log("native architecture: %s", arch)
  return arch == "x64" or arch == "ARM64"
end

-- Chooses the scope after cmdline.run: the switch, else the only one allowed, else
-- per-machine when the setup already has administrator rights, else the setting's
-- default. Refuses (ends the run) a switch the product does not allow (87) and a
-- 64-bit product on 32-bit Windows (1603).
function M.choose()
  if M.elevated_run and M.elevated_run ~= "" then global_log_file = M.elevated_run end
  if not M.architecture_fits() then refuse("needs_64bit") end
  local setting = M.setting()
  local choice = M.requested
  if choice and not M.allowed(choice) then
    refuse(setting == M.MACHINE and "machine_only" or "user_only", "bad_command_line")
  end
  if not choice then
    if setting ~= "both" then
      choice = setting
    elseif Lua_IsElevated() then
      choice = M.MACHINE
    else
      choice = global_install_scope_default == M.MACHINE and M.MACHINE or M.USER
    end
  end
  M.current = choice
  -- The words of a first dialog's AllUsersChk ("$text_all_users$").
  if text_all_users == nil then text_all_users = M.text("all_users") end
  log("installing for %s (setting %s)", choice == M.USER and "the current user" or "all users", setting)
  return choice
end

-- True when a dual-scope setup chose per-machine and has no administrator rights. A
-- per-machine-only setup asked for them in its manifest (requireAdministrator) and
-- goes on as it always did.
function M.needs_elevation()
  return M.setting() == "both" and M.current == M.MACHINE and not Lua_IsElevated()
end

-- The command line after the program name, as it stands.
local function arguments()
  local line = Lua_GetCommandLine and Lua_GetCommandLine() or ""
  local rest
  if line:sub(1, 1) == '"' then
    rest = line:match('^"[^"]*"(.*)$') or ""
  else
    rest = line:match("^%S*(.*)$") or ""
  end
  return (rest:gsub("^%s+", ""))
end

local function quoted(text)
  return '"' .. text .. '"'
end

-- Copies the lines the elevated run wrote to its log file into this run's log.
local function hand_back_log(file)
  local f = io.open(Lua_ExpandEnv(file), "rb")
  if not f then
    log("the elevated run's log is %s", file)
    return
  end
  local text = f:read("*a") or ""
  f:close()
  text = text:gsub("^\239\187\191", "")
  for line in text:gmatch("[^\r\n]+") do Lua_Logout("[elevated run] " .. line) end
  Lua_DeleteFile(file)
end

-- Starts the setup again with administrator rights: /ELEVATEDRUN and /ALLUSERS, then
-- extra (switches of the user's choices) and this run's own command line (a /D= stays
-- last). Waits, hands its log back, and ends this run with its exit code. Refuses when
-- this already is the elevated run, or the rights were not given.
function M.elevate(extra)
  if M.elevated_run then refuse("no_admin") end
  -- The elevated run logs to a name of its own, made and removed again here: a log file
  -- is always created new, never written through a name that exists. Its lines come
  -- back into this run's log.
  local file = Lua_GetTempFileName("%TEMP%", "orb")
  if file then Lua_DeleteFile(file) else file = Lua_ExpandEnv("%TEMP%\\orb-elevated-run.log") end
  local params = "/ELEVATEDRUN=" .. quoted(file) .. " /ALLUSERS " .. (extra and extra ~= "" and extra .. " " or "")
                 .. arguments()
  log("starting the setup again with administrator rights: %s", params)
  local code, err = Lua_RunElevated(params)
  hand_back_log(file)
  if not code then
    log("the elevated run did not start (error %s)", tostring(err))
    refuse("no_admin", err == 1223 and "cancelled" or "failed")
  end
  log("the elevated run ended with exit code %d", code)
  local kernel32 = GLibTab.kernel32
  local exit = kernel32 and kernel32:Get("ExitProcess", "void")
  if exit then exit(code) end
  os.exit(code)
end

-- The scope whose product key records folder as the install path (nil: none); sets
-- M.current. Per-user first: a user's own installation is the one its uninstaller,
-- started from the user's folder, belongs to.
function M.find_installed(key, folder)
  local function plain(p) return (strip_slash(Lua_ExpandEnv(p)):lower()) end
  for _, scope in ipairs({ M.USER, M.MACHINE }) do
    if M.allowed(scope) then
      local recorded = M.query(key, "InstallPath", scope)
      if type(recorded) == "string" and plain(recorded) == plain(folder) then
        M.current = scope
        return scope, recorded
      end
    end
  end
  return nil
end

-- A second copy of the setup may run while the first waits for it: the elevated run
-- takes its own single-instance name (read by the host after the scripts loaded).
do
  local argv = Lua_GetCommandLineArgv and Lua_GetCommandLineArgv() or {}
  for i = 2, #argv do
    if argv[i]:upper():find("^/ELEVATEDRUN=") and global_install_mutex_guid then
      global_install_mutex_guid = global_install_mutex_guid .. "-elevated"
    end
  end
end

return M
