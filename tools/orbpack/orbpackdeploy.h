// Deployment metadata beside the setup: a winget manifest and a registry detection
// rule for Intune / Configuration Manager.
#ifndef ORB_PACK_DEPLOY_H
#define ORB_PACK_DEPLOY_H

#include <cstdint>
#include <string>
#include <vector>

#include "orbpackproduct.h"

// The singleton winget manifest (schema 1.6.0) of the setup `image` for `setupName`.
std::string OrbPackWingetManifest(const OrbPackProduct& p, const std::vector<uint8_t>& image, bool is64);
// A registry detection rule as JSON (the fields of Graph's win32LobAppRegistryDetection):
// the uninstall key's DisplayVersion at least the product's version.
std::string OrbPackDetectionRule(const OrbPackProduct& p, bool is64);

#endif
