// Script type modules and the global tables built from them.
#include "orbscriptapi.h"

const luaL_Reg kORBScriptModules[] = {
    {nullptr, nullptr},
};

void ORBRegisterScriptTables(lua_State*) {}
