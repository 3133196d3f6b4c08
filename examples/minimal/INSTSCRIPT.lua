-- Install hooks of the minimal sample product: each hook records that it ran.
local function log(text)
  io.stderr:write("[sample] ", text, "\n")
end

function ORBSE_BeforeInit() log("BeforeInit") end
function ORBSE_BeforeInstall() log("BeforeInstall: InstallPath = " .. InstallPath) end
function ORBSE_OnInstall() log("OnInstall") end
function ORBSE_BeforeComplete() log("BeforeComplete") end
function ORBSE_AfterComplete() log("AfterComplete") end
