-- A per-user product: %LocalAppData%\Programs, HKCU, the user's shortcuts.
global_install_scope = "user"

-- Test seam: the optional component's address and digest come from the test.
global_component_url = os.getenv("ORB_T_COMPONENT_URL") or ""
global_component_file = "component.txt"
global_component_sha256 = os.getenv("ORB_T_COMPONENT_SHA") or ""
global_component_size = tonumber(os.getenv("ORB_T_COMPONENT_SIZE") or "")
