-- A dual-scope product whose first dialog offers "for all users".
global_install_scope = "both"
