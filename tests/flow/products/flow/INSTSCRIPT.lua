-- Hooks of the flow test product: each records itself; ORB_T_FAIL names a hook that
-- raises an error, ORB_T_SWITCH makes ORBSE_BeforeInit choose the silent road, and
-- ORB_T_WAIT holds ORBSE_OnInstall until the test releases it.
local env = os.getenv
trace("INSTSCRIPT")

local function hook(name, body)
  _G["ORBSE_" .. name] = function()
    trace(name)
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
hook("AfterComplete")
