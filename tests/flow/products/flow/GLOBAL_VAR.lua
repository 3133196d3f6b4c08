-- Settings of the flow test product, chosen by the test through environment variables.
local env = os.getenv

local function flag(name)
  local v = env(name)
  if v == "true" then return true end
  if v == "false" then return false end
  if v == "zero" then return 0 end
  return nil
end

trace_file = env("ORB_T_TRACE")
function trace(text)
  if not trace_file then return end
  local f = io.open(trace_file, "a")
  f:write(text, "\n")
  f:close()
end

trace("GLOBAL_VAR")
global_install_mutex_guid = env("ORB_T_GUID")
global_language = "zh-CN"  -- the tests read the Chinese texts
global_app_id = env("ORB_T_APPID")
global_silent_install = flag("ORB_T_SILENT")
global_show_completewindow = flag("ORB_T_COMPLETE")
global_install_path = env("ORB_T_PATH") or "C:\\ORB Test\\安装"
global_exit_codes = env("ORB_T_CODES")
global_passive_install = flag("ORB_T_PASSIVE")
