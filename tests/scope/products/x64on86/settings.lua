-- The 64-bit product on a machine that reports 32-bit Windows.
global_payload_bits = 64

-- Test seam: the machine reports 32-bit Windows.
Lua_GetNativeArchitecture = function() return "x86" end
