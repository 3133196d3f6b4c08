-- A dual-scope product, started without administrator rights.
global_install_scope = "both"
