// Little-endian values at an offset of a byte buffer, the PE format's byte order (the
// caller checks that the bytes are there).
#ifndef ORB_PE_BYTES_H
#define ORB_PE_BYTES_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orbpe {

inline uint16_t Get16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
inline uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(Get16(b, at)) | uint32_t(Get16(b, at + 2)) << 16;
}
inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

}  // namespace orbpe

#endif
