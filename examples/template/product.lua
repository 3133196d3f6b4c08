-- The template described for orbpack (docs/orbpack.md). Name, version and publisher
-- come from GLOBAL_VAR.lua; the skin's images are read from images/ (the kit has them
-- drawn; in this source tree the CMake build draws them into its build folder).
output = "my-product-setup"
payload_size_in_scripts = true
uninstaller = { output = "uninst", description = "My Product Uninstaller" }
