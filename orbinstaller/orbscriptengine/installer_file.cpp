// Installer functions: file and directory.
#include "orbscriptapi.h"

const luaL_Reg kORBFileFunctions[] = {
    {nullptr, nullptr},
};
