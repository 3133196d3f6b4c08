// Installer functions: process and service.
#include "orbscriptapi.h"

const luaL_Reg kORBProcessFunctions[] = {
    {nullptr, nullptr},
};
