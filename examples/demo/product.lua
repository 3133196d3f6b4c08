-- The sample product (examples/demo with the template's scripts and modules, its skin
-- and payload as the build makes them), described for orbpack.
output = "orbdemo-setup"
payload_size_in_scripts = true
uninstaller = { output = "uninst", description = "ORB Demo Uninstaller" }
