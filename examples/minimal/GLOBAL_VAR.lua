-- Settings of the minimal sample product.
global_product_name = "ORB Sample"
global_install_path = (os.getenv("ProgramFiles") or "C:\\Program Files") .. "\\ORB Sample"
global_install_mutex_guid = "Global\\{0F6B3C2E-2A57-4B8C-9E1D-7A41C5D0B3F8}"
global_silent_install = true
global_show_completewindow = false
