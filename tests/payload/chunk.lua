-- Copied out byte for byte by Lua_ExtractResource in the tests.
chunk_value = 42
