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
    std::filesystem::path preview;  // the preview stub: also <output name>-preview.exe; empty: none
    bool allowTemplateGuid = false; // pack a product with the template's GUID (the template itself)
};

// Writes <output>/<output name>.exe and, with an uninstall script, the uninstaller (and
// with a preview stub the layout preview carrying the setup's resources);
// false with a one-line reason naming the file at fault, and then nothing written.
bool OrbPackBuild(const OrbPackOptions& options, std::string& error);

#endif
