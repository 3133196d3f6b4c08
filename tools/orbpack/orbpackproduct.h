// The product description, product.lua in the product folder: a Lua file of plain
// assignments evaluated by the packer (fields in docs/orbpack.md).
#ifndef ORB_PACK_PRODUCT_H
#define ORB_PACK_PRODUCT_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct OrbPackResource {
    std::string type, name;
    std::filesystem::path file;
};

struct OrbPackProduct {
    std::filesystem::path folder;  // the product folder; relative paths start here
    std::string output;            // setup file name without .exe
    std::string name, version, publisher, description;
    std::string executionLevel = "requireAdministrator";
    std::filesystem::path globalScript, installScript, uninstallScript;  // empty: none
    std::vector<std::filesystem::path> modules;
    std::filesystem::path layout, images, icon;  // empty: none (icon: the stub's)
    std::filesystem::path payload;               // folder, .7z file, or empty
    int payloadLevel = 7;
    bool appendPayload = false, payloadSizeInScripts = false;
    uint64_t sizeBudget = 0;  // 0: none
    std::vector<OrbPackResource> resources;
    // The uninstaller: made when uninstallScript is set and `uninstaller ~= false`.
    bool makeUninstaller = false;
    std::string uninstallerOutput = "uninst", uninstallerDescription, uninstallerResource = "UNINST.7Z";
    // Deployment metadata: written when the description has a winget table.
    bool deployment = false;
    std::string packageId, installerUrl, license, shortDescription;
    // From the global script: its uninstall key (below HKLM or HKCU) and whether its exit
    // codes are the standard ones (global_exit_codes = "standard").
    std::string uninstallKey;
    bool standardExitCodes = false;
    // The global script still has the template's single-instance GUID (refused unless
    // the packer is told the template itself is being packed).
    bool templateGuid = false;
};

// Reads <folder>/product.lua; false with "<file>: <reason>" (or the Lua error, which
// names file and line) for a missing or unknown field, a wrong type or a missing file.
bool OrbPackLoadProduct(const std::filesystem::path& folder, OrbPackProduct& product, std::string& error);

#endif
