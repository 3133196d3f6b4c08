-- inuse: files in use by other programs, for the setup and the uninstaller.
--
-- Before it replaces or removes the product's files the script asks which programs hold
-- them (Lua_FindFileUsers: the Restart Manager, or where it cannot tell, the programs
-- running from the product's folder) and then:
--   interactive run   lists the programs by name: "Close them and continue" / "Retry"
--                     (the user closed them) / "Cancel" (exit code 1602)
--   unattended run    /CLOSEAPPLICATIONS (the default) closes them; /NOCLOSEAPPLICATIONS
--                     leaves them running; /FORCECLOSEAPPLICATIONS also ends the ones that
--                     do not close when asked (global_close_applications,
--                     global_force_close_applications)
-- Programs closed through the Restart Manager that registered for it are started again
-- when the setup is done (M.restart).
--
-- Closing is the default of unattended runs because nobody is there to close the
-- program: left running, it keeps the old files until Windows restarts, so a deployed
-- update would end with 3010 and run mixed versions until then. Closing asks politely
-- (programs may save their work) and programs that registered come back after the setup.
--
-- A file still held after that cannot be written now: the setup writes it beside the old
-- one as "<name>.orbnew" and has Windows move it into place at the next start
-- (MOVEFILE_DELAY_UNTIL_REBOOT); a file whose holder allows deletion is renamed aside and
-- replaced at once. Either way global_restart_required is set only when a restart is
-- really needed (exit code 3010 with standard codes). The uninstaller frees the files
-- the same way (M.free(paths, "uninstall")) and deletes a file still held at the next start.
local exitcode = require "exitcode"
local lang = require "lang"

local M = {}

-- Texts shown to the user, one table per language (lang.choose picks one).
M.languages = {
  en = {
    install = "These programs are using files that the setup must replace:\n\n%s\n\n" ..
              "\"Close them and continue\": the setup closes them (they may ask you to save your work).\n" ..
              "\"Retry\": close them yourself first.\n\"Cancel\": end the setup.",
    uninstall = "These programs are using files that must be removed:\n\n%s\n\n" ..
                "\"Close them and continue\": the uninstaller closes them (they may ask you to save your work).\n" ..
                "\"Retry\": close them yourself first.\n\"Cancel\": keep everything.",
    close = "Close them and continue",
    retry = "Retry",
    cancel = "Cancel",
    reboot = "%s is installed. Some files were in use; they are replaced when Windows restarts.",
  },
  zh = {
    install = "以下程序正在使用安装程序需要替换的文件：\n\n%s\n\n" ..
              "“关闭程序并继续”：由安装程序关闭它们（它们可能会提示您保存工作）。\n" ..
              "“重试”：请先自行关闭它们。\n“取消”：结束安装。",
    uninstall = "以下程序正在使用需要删除的文件：\n\n%s\n\n" ..
                "“关闭程序并继续”：由卸载程序关闭它们（它们可能会提示您保存工作）。\n" ..
                "“重试”：请先自行关闭它们。\n“取消”：保留所有内容。",
    close = "关闭程序并继续",
    retry = "重试",
    cancel = "取消",
    reboot = "%s 已安装。部分文件正在使用中，将在重新启动计算机后替换。",
  },
}

-- The suffix of a file written beside the one in use.
M.side_suffix = ".orbnew"

local T = M.languages.en
local pending = {}   -- full paths whose new content waits for the next start
local restart_session = false
local chose_close = false  -- the user answered "Close them and continue" once already

local function log(fmt, ...)
  Lua_Logout("[inuse] " .. string.format(fmt, ...))
end

-- Whether a file exists (the wide-character API: io.open cannot name every path).
local function exists(path)
  local l = GLibTab.shlwapi
  local f = l and l:Get("PathFileExistsW", "bool")
  if f then return (f(WString.New(nil, Lua_ExpandEnv(path)))) end
  local h = io.open(Lua_ExpandEnv(path), "rb")
  if h then h:close() end
  return h ~= nil
end

local function unattended()
  return global_silent_install or global_passive_install or global_suppress_msgboxes
end

-- "ask", "close" or "keep", from the run mode and the switches.
function M.policy()
  if not unattended() then return "ask" end
  return global_close_applications == false and "keep" or "close"
end

-- Picks the texts' language; call after cmdline.run.
function M.choose_language()
  T = lang.choose(M.languages)
end

function M.text(name)
  return T[name]
end

local function names(users)
  local seen, lines = {}, {}
  for _, u in ipairs(users) do
    local n = u.name ~= "" and u.name or ("process " .. u.pid)
    if not seen[n] then
      seen[n] = true
      lines[#lines + 1] = "    " .. n
    end
  end
  return table.concat(lines, "\n")
end

local function close(paths)
  local closed, asked, how = Lua_CloseFileUsers(paths, global_force_close_applications == true)
  if how == "restartmanager" and asked > 0 then restart_session = true end
  log("asked %d programs to close (%s): %s", asked, how, closed and "all closed" or "some still run")
  return closed
end

-- Frees the files (full paths) before they are replaced (purpose "install") or removed
-- ("uninstall"), by the policy. True when nothing holds them any more; false when some
-- program still does (its files then wait for the next start). Cancel ends the run.
function M.free(paths, purpose)
  local policy = M.policy()
  while true do
    local users, how = Lua_FindFileUsers(paths)
    if #users == 0 then return true end
    for _, u in ipairs(users) do
      log("%s (process %d, %s) uses the files (found by %s)", u.name, u.pid, u.image, how)
    end
    if policy == "keep" then
      log("leaving them running (global_close_applications is false)")
      return false
    end
    local answer = "close"
    if policy == "ask" and not chose_close then
      answer = Lua_AskFileUsers(string.format(T[purpose or "install"], names(users)), global_product_name,
                                T.close, T.retry, T.cancel)
    end
    if answer == "close" then
      chose_close = true
      return close(paths)
    end
    if answer ~= "retry" then
      log("cancelled by the user")
      exitcode.quit("cancelled")
    end
  end
end

-- Set by a script that keeps the files it replaces (an install journal): called with
-- a path before the file there is replaced or made, it moves the old file aside itself
-- and answers false when it cannot. Without it the old file is deleted.
M.keep_old = nil

-- The failure callback for Lua_UnCompress7z, which tries the file once more after it:
-- the file's holders are freed by the policy (asked about only when the user has not
-- chosen to close programs yet), then the old file is moved aside (M.keep_old) or
-- renamed aside and deleted (it goes as soon as any holder that allows this lets go) so
-- the new one can be written now. A file that cannot even be renamed is skipped and
-- written by M.place_side_files.
function M.on_locked(path, err)
  log("cannot write %s (error %d)", path, err)
  M.free({ path }, "install")
  if M.keep_old then
    if M.keep_old(path) then return 0 end
  else
    local aside = path .. ".orbold"
    if Lua_RenameFile(path, aside) then
      Lua_DelFileRecursive(aside)
      if exists(aside) then Lua_MoveFileAfterReboot(aside) end
      return 0
    end
  end
  log("%s stays in use: it is replaced at the next start", path)
  pending[#pending + 1] = path
  return 1
end

-- Unpacks resource again into a side folder of dir and puts each skipped file beside
-- its target as <name>.orbnew, scheduled to replace it at the next start. Answers the
-- skipped files and their side files relative to dir (for the uninstaller's list), or nil
-- when one cannot be scheduled (the run has failed; the side files made are gone again).
function M.place_side_files(dir, resource)
  if #pending == 0 then return {} end
  local side = dir .. "\\~orb-pending"
  Lua_DelFileRecursive(side)
  if not Lua_CreateDirectory(side) or not Lua_UnCompress7z(resource, side, false) then
    log("cannot unpack %s again into %s", resource, side)
    Lua_DelFileRecursive(side)
    return nil
  end
  local placed = {}
  for _, path in ipairs(pending) do
    local rel = path:sub(#dir + 2)
    local sidefile = path .. M.side_suffix
    if not ((not M.keep_old or M.keep_old(sidefile)) and Lua_RenameFile(side .. "\\" .. rel, sidefile) and
            Lua_MoveFileAfterReboot(sidefile, path)) then
      log("cannot schedule %s to replace %s", sidefile, path)
      -- A side file whose move is scheduled but that is gone is passed over at the start.
      Lua_DelFileRecursive(sidefile)
      for i = 2, #placed, 2 do Lua_DelFileRecursive(dir .. "\\" .. placed[i]) end
      Lua_DelFileRecursive(side)
      pending = {}
      return nil
    end
    log("%s replaces %s at the next start", sidefile, path)
    placed[#placed + 1] = rel
    placed[#placed + 1] = rel .. M.side_suffix  -- an uninstall before that start removes it
  end
  Lua_DelFileRecursive(side)
  pending = {}
  global_restart_required = true
  return placed
end

-- Starts again the programs the Restart Manager closed that registered for it.
function M.restart()
  if not restart_session then return end
  restart_session = false
  log("starting the closed programs again: %s", tostring(Lua_RestartFileUsers()))
end

return M
