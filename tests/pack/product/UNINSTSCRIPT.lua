function OnUninstall() return 0 end
