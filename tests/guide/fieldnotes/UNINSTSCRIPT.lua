-- Field Notes uninstaller: removes the recorded files, then the folders they were in
-- (only those left empty), then its registry keys.

local function parent(path) return path:match("^(.*)\\[^\\]+$") end

function ORBSE_OnInstall()
  local dir = Lua_RegQuery("HKCU", product_key, "InstallLocation")
  if not dir then return end
  local list = Lua_RegQuery("HKCU", product_key, "Files") or ""
  local folders, seen = {}, {}
  for path in list:gmatch("[^|]+") do
    Lua_DeleteFile(path)
    -- Every folder between the file and the install folder.
    local f = parent(path)
    while f and #f > #dir and not seen[f] do
      seen[f] = true
      folders[#folders + 1] = f
      f = parent(f)
    end
  end

  -- The running uninstaller cannot delete itself: move it away and let Windows delete it.
  local self = Lua_GetModuleFileName()
  local spare = Lua_GetTempFileName(Lua_ExpandEnv("%TEMP%"), "fnu")
  if spare and Lua_RenameFile(self, spare) then Lua_DeleteFileAfterReboot(spare) end

  table.sort(folders, function(a, b) return #a > #b end)
  for _, f in ipairs(folders) do Lua_RemoveDirectory(f) end
  Lua_RemoveDirectory(dir)

  Lua_RegDel("HKCU", uninstall_key)
  Lua_RegDel("HKCU", product_key)
end
