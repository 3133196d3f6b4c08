-- Test seam: Wine counts every process as elevated. This product has administrator
-- rights only in the elevated second run the setup starts, so that run is made.
Lua_IsElevated = function()
  for _, word in ipairs(Lua_GetCommandLineArgv() or {}) do
    if word:upper():find("^/ELEVATEDRUN=") then return true end
  end
  return false
end
