// Installer functions: shell and system.
#include "orbscriptapi.h"

const luaL_Reg kORBShellFunctions[] = {
    {nullptr, nullptr},
};
