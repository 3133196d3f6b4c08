-- A small product for the packer's tests.
output = "tiny-setup"
execution_level = "asInvoker"
payload = "app.7z"
payload_size_in_scripts = true
uninstaller = false
-- Digits alone are a number, as in a resource script: RT_RCDATA, id 77.
resources = { { type = "_7Z", name = "EXTRA.7Z", file = "app.7z" }, { type = "10", name = "77", file = "app.7z" } }
winget = { identifier = "Tiny.Tiny", url = "https://example.com/tiny-setup.exe", license = "MIT" }
