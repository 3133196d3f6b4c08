// The Windows resources a setup's description turns into: version information, the
// application manifest and an icon group.
#ifndef ORB_PACK_WINRES_H
#define ORB_PACK_WINRES_H

#include <cstdint>
#include <string>
#include <vector>

#include "orbperesources.h"

struct OrbPackVersion {
    std::string product, version, publisher, description, fileName;
};

// A VERSIONINFO resource (U.S. English, Unicode strings); the binary version is the
// leading digits of the first four dotted parts of `version`, each modulo 65536.
std::vector<uint8_t> OrbPackVersionInfo(const OrbPackVersion& v);
// The manifest: the execution level, Common Controls 6, the supported systems, long
// paths and per-monitor DPI awareness.
std::vector<uint8_t> OrbPackManifest(const std::string& executionLevel);
// Replaces the icon group `groupId` by the images of an .ico file (RT_ICON entries
// numbered after the highest in use); false with a reason when the file is no icon.
bool OrbPackSetIcon(OrbResources& res, uint16_t groupId, uint16_t language, const std::vector<uint8_t>& ico,
                    std::string& error);

#endif
