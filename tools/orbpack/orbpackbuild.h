// Making a setup and its uninstaller from a stub and a product folder.
#ifndef ORB_PACK_BUILD_H
#define ORB_PACK_BUILD_H

#include <cstdint>
#include <filesystem>
#include <string>

struct OrbPackOptions {
    std::filesystem::path product;  // the product folder
    std::filesystem::path output;   // folder the setup and uninstaller are written to
    std::filesystem::path stub;     // orbstub-<arch>.exe
    uint32_t timeStamp = 0;         // PE time stamp of both programs
    std::string sign;               // command run on each program, {file} its path; empty: none
};

// Writes <output>/<output name>.exe and, with an uninstall script, the uninstaller;
// false with a one-line reason naming the file at fault, and then nothing written.
bool OrbPackBuild(const OrbPackOptions& options, std::string& error);

#endif
