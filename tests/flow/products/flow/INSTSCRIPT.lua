-- Hooks of the flow test product: each records itself; ORB_T_FAIL names a hook that
-- raises an error, ORB_T_SWITCH makes ORBSE_BeforeInit choose the silent road, and
-- ORB_T_WAIT holds ORBSE_OnInstall until the test releases it. ORB_T_LOG names the log
-- file (from ORBSE_BeforeInit, so earlier lines wait for it); ORB_T_RESTART asks for a
-- restart.
local env = os.getenv
trace("INSTSCRIPT")

local function hook(name, body)
  _G["ORBSE_" .. name] = function()
    trace(name)
    Lua_Logout(name .. " says 安装")
    if env("ORB_T_FAIL") == name then
      local function inner() error("boom in " .. name) end
      inner()
    end
    if body then body() end
  end
end

local function exists(path)
  local f = io.open(path, "r")
  if f then f:close() return true end
  return false
end

hook("BeforeInit", function()
  global_log_file = env("ORB_T_LOG")
  if env("ORB_T_SWITCH") then
    global_silent_install = true
    global_show_completewindow = false
  end
end)
hook("BeforeInstall", function() trace("InstallPath=" .. tostring(InstallPath)) end)
hook("OnInstall", function()
  local wait = env("ORB_T_WAIT")
  if wait then
    local f = io.open(wait .. ".started", "w") f:close()
    local deadline = os.time() + 60
    while not exists(wait .. ".release") and os.time() < deadline do end
  end
end)
hook("BeforeComplete")
hook("AfterComplete", function()
  if env("ORB_T_RESTART") then global_restart_required = true end
end)
