-- Settings of the dialog test product, chosen by the test through environment variables.
local env = os.getenv

local function flag(name, default)
  local v = env(name)
  if v == "true" then return true end
  if v == "false" then return false end
  return default
end

trace_file = env("ORB_T_TRACE")
function trace(text)
  if not trace_file then return end
  local f = io.open(trace_file, "a")
  f:write(text, "\n")
  f:close()
end

global_install_mutex_guid = env("ORB_T_GUID")
global_product_name = "DlgTest"
-- The tests read the Chinese texts; "none" leaves the language unset.
if env("ORB_T_LANG") ~= "none" then global_language = env("ORB_T_LANG") or "zh-CN" end
global_silent_install = flag("ORB_T_SILENT", false)
global_show_completewindow = flag("ORB_T_COMPLETE", true)
global_install_path = env("ORB_T_PATH")
global_need_disk_space = env("ORB_T_NEED")
global_startup_check_visable = flag("ORB_T_STARTUP_VISIBLE", true)
global_startup_check = flag("ORB_T_STARTUP", true)
global_main_app_name = "app.exe"
test_offer = env("ORB_T_OFFER")
global_exit_codes = env("ORB_T_CODES")
global_passive_install = flag("ORB_T_PASSIVE", false)
global_suppress_msgboxes = flag("ORB_T_SUPPRESS", false)
