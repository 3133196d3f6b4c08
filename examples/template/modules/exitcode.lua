-- exitcode: the setup's exit codes, and ending the run with one.
--
-- With global_exit_codes = "standard" (GLOBAL_VAR.lua) the codes are the ones package
-- managers and endpoint-management tools read; otherwise the host's own pair is used:
-- 1 when the setup ran to its end, 0 for everything else.
--
--   outcome            standard  default
--   installed          0         1      (3010 with standard codes when a script set
--                                        global_restart_required)
--   cancelled          1602      0      the user cancelled
--   failed             1603      0      script error, host failure, failed install
--   running            1618      0      another instance is running
--   bad_command_line   87        0      unknown switch or missing value
--   help               0         0      /? was answered
--   other_version      1638      0      another version is installed and the rules
--                                        refuse to replace it (modules/lifecycle.lua)
local M = {}

M.standard = {
  installed = 0,
  restart = 3010,
  cancelled = 1602,
  failed = 1603,
  running = 1618,
  bad_command_line = 87,
  help = 0,
}

-- Called with the outcome name before the run ends (the lifecycle module undoes an
-- unfinished install here).
M.before_quit = {}

-- The exit code for an outcome name (unknown names count as failed).
function M.code(outcome)
  local standard = global_exit_codes == "standard"
  if outcome == "installed" then
    if not standard then return 1 end
    return global_restart_required and M.standard.restart or M.standard.installed
  end
  if not standard then return 0 end
  return M.standard[outcome] or M.standard.failed
end

-- Ends the process now with the outcome's code. Works from the install dialog's
-- worker thread too, where the dialogs must not be torn down.
function M.quit(outcome)
  local code = M.code(outcome)
  Lua_Logout(string.format("ending the run (%s) with exit code %d", outcome, code))
  for _, f in ipairs(M.before_quit) do
    local ok, err = pcall(f, outcome)
    if not ok then Lua_Logout("before_quit: " .. tostring(err)) end
  end
  local kernel32 = GLibTab.kernel32
  local exit = kernel32 and kernel32:Get("ExitProcess", "void")
  if exit then exit(code) end
  os.exit(code)
end

return M
