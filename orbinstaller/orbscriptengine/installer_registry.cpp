// Installer functions: registry.
#include "orbscriptapi.h"

const luaL_Reg kORBRegistryFunctions[] = {
    {nullptr, nullptr},
};
