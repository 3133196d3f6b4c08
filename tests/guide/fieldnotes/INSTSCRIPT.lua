-- Field Notes setup: /S runs silently (always, here), /D=<folder> chooses the folder.

function ORBSE_BeforeInit()
  for _, word in ipairs(Lua_GetCommandLineArgv()) do
    local folder = word:match("^/D=(.+)$")
    if folder then global_install_path = folder end
  end
end

function ORBSE_OnInstall()
  local dir = Lua_ExpandEnv(InstallPath)
  if not Lua_CreateDirectory(dir) then return end
  local files = {}
  local function on_file(path) files[#files + 1] = path end
  -- Stop at the first file that cannot be written: a silent setup cannot ask.
  local function on_locked(path, err) Lua_Logout("cannot write " .. path .. ": " .. err) return 2 end
  if not Lua_UnCompress7z("App.7z", dir, false, on_file, on_locked) then
    Lua_Logout("Field Notes: unpacking failed")
    return
  end
  Lua_UnCompress7z("UNINST.7Z", dir, false, nil, nil)

  -- What the uninstaller removes: exactly the files written here.
  Lua_RegAdd("HKCU", product_key, "InstallLocation", "REG_SZ", dir, true)
  Lua_RegAdd("HKCU", product_key, "Files", "REG_SZ", table.concat(files, "|"), true)
  Lua_RegAdd("HKCU", uninstall_key, "DisplayName", "REG_SZ", global_product_name, true)
  Lua_RegAdd("HKCU", uninstall_key, "InstallLocation", "REG_SZ", dir, true)
  Lua_RegAdd("HKCU", uninstall_key, "UninstallString", "REG_SZ", '"' .. dir .. '\\uninst.exe"', true)
  Lua_RegAdd("HKCU", uninstall_key, "QuietUninstallString", "REG_SZ", '"' .. dir .. '\\uninst.exe" /S', true)
  Lua_Logout("Field Notes installed " .. #files .. " files")
end
