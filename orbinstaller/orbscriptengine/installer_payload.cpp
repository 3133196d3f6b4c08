// Installer functions: payload and resource extraction.
#include "orbscriptapi.h"

const luaL_Reg kORBPayloadFunctions[] = {
    {nullptr, nullptr},
};
