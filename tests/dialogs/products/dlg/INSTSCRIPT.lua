-- Hooks of the dialog test product: each records itself and what the dialogs handed
-- over. ORB_T_WORK chooses the install hook's work: "slow" runs script code and host
-- functions for a few seconds while watching the progress position.
local env = os.getenv

local function show(name) return name .. "=" .. tostring(_G[name]) end

function ORBSE_BeforeInit() trace("BeforeInit") end

function ORBSE_BeforeInstall()
  trace("BeforeInstall")
  for _, n in ipairs({"InstallPath", "BackUpPath", "DesktopShortcutChk", "QuickLaunchChk",
                      "SelfStartChk", "ExtraChk", "LicenceChk", "SettingsChk", "OptionChk"}) do
    trace(show(n))
  end
end

local function slow_work()
  own_count, own_table = 0, {}
  local last, distinct, monotonic = -1, 0, true
  local t0 = os.clock()
  -- At least three seconds, and on until the bar has been seen waiting at 100.
  while (os.clock() - t0 < 3 or last ~= 100) and os.clock() - t0 < 30 do
    own_count = own_count + 1
    own_table[own_count % 31 + 1] = own_count
    if Lua_ExpandEnv then Lua_ExpandEnv("%TEMP%") end
    if Lua_GetOSVersion then Lua_GetOSVersion() end
    local p = global_install_progress_pos
    if p and p ~= last then
      if p < last then monotonic = false end
      last, distinct = p, distinct + 1
    end
  end
  local intact = own_table[own_count % 31 + 1] == own_count
  trace("worker saw moves=" .. tostring(distinct > 5) .. " monotonic=" .. tostring(monotonic)
        .. " last=" .. tostring(last) .. " intact=" .. tostring(intact))
end

function ORBSE_OnInstall()
  trace("OnInstall")
  trace(show("global_install_progress_elapse"))
  trace("pos at start=" .. tostring(global_install_progress_pos))
  if env("ORB_T_WORK") == "slow" then slow_work() end
  -- ORB_T_APP: where the program goes ("bin": a subfolder the script then names in
  -- global_install_path; "chosen": the chosen folder, with global_install_path elsewhere).
  local app = env("ORB_T_APP")
  if app then
    local folder = app == "bin" and InstallPath .. "\\bin" or InstallPath
    Lua_CreateDirectory(folder)
    local f = io.open(folder .. "\\app.exe", "w")
    f:write("not a program")
    f:close()
    global_install_path = app == "bin" and folder or InstallPath .. "\\elsewhere"
  end
  trace("pos at end of OnInstall<100=" .. tostring((global_install_progress_pos or 0) < 100))
end

function ORBSE_BeforeComplete()
  trace("BeforeComplete")
  trace(show("global_install_progress_pos"))
end

function ORBSE_AfterComplete()
  trace("AfterComplete")
  for _, n in ipairs({"StartupChk", "OfferChk1", "OfferChk2"}) do trace(show(n)) end
end
