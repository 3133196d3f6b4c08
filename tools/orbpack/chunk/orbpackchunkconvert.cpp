// Walks a 5.2 chunk as ldump.c writes it and copies it with each size_t (the lengths of
// strings) resized; nothing else in the format depends on size_t.
#include <cstdint>

#include "orbpackchunk.h"

namespace {

const char kSignature[] = "\x1bLua\x52\x00\x01";  // signature, version, official format, little endian
const char kTail[] = "\x19\x93\r\n\x1a\n";
constexpr size_t kHeaderSize = 18;
constexpr int kMaxDepth = 200;  // nesting deeper than the compiler itself allows

enum ConstantType { kNil = 0, kBoolean = 1, kNumber = 3, kString = 4 };

class Converter {
public:
    Converter(const std::string& in, int toSize, std::string& out) : in_(in), to_(toSize), out_(out) {}

    bool Run(std::string& error) {
        if (in_.size() < kHeaderSize || in_.compare(0, 7, kSignature, 7) != 0 || in_.compare(12, 6, kTail, 6) != 0)
            return Fail(error, "not a Lua 5.2 chunk");
        from_ = in_[8];
        if (in_[7] != 4 || (from_ != 4 && from_ != 8) || in_[9] != 4 || in_[10] != 8 || in_[11] != 0)
            return Fail(error, "chunk for an int, size_t, instruction or number of another size");
        out_.assign(in_, 0, kHeaderSize);
        out_[8] = char(to_);
        pos_ = kHeaderSize;
        if (!Function(0)) return Fail(error, problem_ ? problem_ : "truncated chunk");
        if (pos_ != in_.size()) return Fail(error, "bytes after the chunk's main function");
        return true;
    }

private:
    bool Copy(size_t n) {
        if (n > in_.size() - pos_) return false;
        out_.append(in_, pos_, n);
        pos_ += n;
        return true;
    }

    bool Int(int32_t& v) {
        if (4 > in_.size() - pos_) return false;
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i) u |= uint32_t(static_cast<unsigned char>(in_[pos_ + i])) << (8 * i);
        v = int32_t(u);
        return Copy(4);
    }

    // A count, followed by count items of itemSize bytes.
    bool Vector(size_t itemSize) {
        int32_t n;
        if (!Int(n) || n < 0 || size_t(n) > (in_.size() - pos_) / itemSize) return false;
        return Copy(size_t(n) * itemSize);
    }

    bool String() {
        if (size_t(from_) > in_.size() - pos_) return false;
        uint64_t size = 0;
        for (int i = 0; i < from_; ++i) size |= uint64_t(static_cast<unsigned char>(in_[pos_ + i])) << (8 * i);
        pos_ += size_t(from_);
        if (to_ == 4 && size > 0xFFFFFFFFu) {
            problem_ = "string too long for a 4-byte size_t";
            return false;
        }
        for (int i = 0; i < to_; ++i) out_.push_back(char((size >> (8 * i)) & 0xFF));
        return size <= in_.size() - pos_ && Copy(size_t(size));
    }

    bool Constants(int depth) {
        int32_t n;
        if (!Int(n) || n < 0) return false;
        for (int32_t i = 0; i < n; ++i) {
            if (pos_ >= in_.size()) return false;
            int type = in_[pos_];
            if (!Copy(1)) return false;
            bool ok = type == kNil       ? true
                      : type == kBoolean ? Copy(1)
                      : type == kNumber  ? Copy(8)
                      : type == kString  ? String()
                                         : (problem_ = "unknown constant type", false);
            if (!ok) return false;
        }
        if (!Int(n) || n < 0) return false;
        for (int32_t i = 0; i < n; ++i)
            if (!Function(depth + 1)) return false;
        return true;
    }

    bool Function(int depth) {
        if (depth > kMaxDepth) {
            problem_ = "functions nested too deeply";
            return false;
        }
        int32_t n;
        // Line defined, last line, parameters, vararg flag, stack size, then the code.
        if (!Copy(4 + 4 + 3) || !Vector(4) || !Constants(depth) || !Vector(2)) return false;
        // Debug information: source, line numbers, locals, upvalue names.
        if (!String() || !Vector(4) || !Int(n) || n < 0) return false;
        for (int32_t i = 0; i < n; ++i)
            if (!String() || !Copy(8)) return false;
        if (!Int(n) || n < 0) return false;
        for (int32_t i = 0; i < n; ++i)
            if (!String()) return false;
        return true;
    }

    bool Fail(std::string& error, const char* why) {
        error = why;
        out_.clear();
        return false;
    }

    const std::string& in_;
    int to_;
    int from_ = 0;
    size_t pos_ = 0;
    const char* problem_ = nullptr;
    std::string& out_;
};

}  // namespace

bool OrbPackConvertChunk(const std::string& chunk, int sizeTBytes, std::string& out, std::string& error) {
    if (sizeTBytes != 4 && sizeTBytes != 8) {
        error = "size_t of " + std::to_string(sizeTBytes) + " bytes is not 4 or 8";
        return false;
    }
    std::string result;
    Converter c(chunk, sizeTBytes, result);
    if (!c.Run(error)) return false;
    out.swap(result);
    return true;
}
