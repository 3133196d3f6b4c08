// SHA-256, for the installer hash of the deployment manifest.
#ifndef ORB_PACK_SHA256_H
#define ORB_PACK_SHA256_H

#include <cstdint>
#include <string>
#include <vector>

// The digest of `data` as 64 upper-case hexadecimal digits.
std::string OrbPackSha256(const std::vector<uint8_t>& data);

#endif
