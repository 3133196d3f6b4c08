#include "orbpacknames.h"

namespace {

bool IsDeviceName(const std::u16string& part) {
    // The base before the first dot, trailing blanks ignored, as Win32 matches it (and
    // as the setup's extractor refuses it).
    size_t end = part.find(u'.');
    if (end == std::u16string::npos) end = part.size();
    while (end > 0 && part[end - 1] == u' ') --end;
    std::u16string base = part.substr(0, end);
    for (char16_t& c : base)
        if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
    static const char16_t* const kNames[] = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$", u"CLOCK$"};
    for (const char16_t* n : kNames)
        if (base == n) return true;
    if (base.size() == 4 && (base.compare(0, 3, u"COM") == 0 || base.compare(0, 3, u"LPT") == 0)) {
        char16_t d = base[3];
        return (d >= u'0' && d <= u'9') || d == u'\u00B9' || d == u'\u00B2' || d == u'\u00B3';
    }
    return false;
}

// Pairs of code points where one parity is the capital, the other the small letter.
bool InPairs(char16_t c, char16_t from, char16_t to) { return c >= from && c <= to; }

char16_t Upper(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 0x20);
    if (c == 0xFF) return 0x178;
    if ((InPairs(c, 0x100, 0x12F) || InPairs(c, 0x132, 0x137) || InPairs(c, 0x14A, 0x177)) && (c & 1))
        return char16_t(c - 1);
    if ((InPairs(c, 0x139, 0x148) || InPairs(c, 0x179, 0x17E)) && !(c & 1)) return char16_t(c - 1);
    if (c == 0x3C2) return 0x3A3;  // final sigma
    if (InPairs(c, 0x3B1, 0x3CB)) return char16_t(c - 0x20);
    if (c == 0x3AC) return 0x386;
    if (InPairs(c, 0x3AD, 0x3AF)) return char16_t(c - 0x25);
    if (c == 0x3CC) return 0x38C;
    if (InPairs(c, 0x3CD, 0x3CE)) return char16_t(c - 0x3F);
    if (InPairs(c, 0x430, 0x44F)) return char16_t(c - 0x20);
    if (InPairs(c, 0x450, 0x45F)) return char16_t(c - 0x50);
    if ((InPairs(c, 0x460, 0x481) || InPairs(c, 0x48A, 0x4BF) || InPairs(c, 0x4D0, 0x52F)) && (c & 1))
        return char16_t(c - 1);
    if (InPairs(c, 0x561, 0x586)) return char16_t(c - 0x30);
    if ((InPairs(c, 0x1E00, 0x1E95) || InPairs(c, 0x1EA0, 0x1EFF)) && (c & 1)) return char16_t(c - 1);
    if (InPairs(c, 0xFF41, 0xFF5A)) return char16_t(c - 0x20);
    return c;
}

}  // namespace

bool OrbPackUtf8To16(const std::string& in, std::u16string& out) {
    out.clear();
    for (size_t i = 0; i < in.size();) {
        unsigned char b = static_cast<unsigned char>(in[i]);
        unsigned n = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : 9;
        if (n == 9 || i + n >= in.size()) return false;
        char32_t cp = n == 0 ? b : (b & (0x3F >> n));
        for (unsigned k = 1; k <= n; ++k) {
            unsigned char t = static_cast<unsigned char>(in[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        static const char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp >= 0x10000) {
            out.push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
        i += n + 1;
    }
    return true;
}

bool OrbPackUtf16To8(const std::u16string& in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        char32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 == in.size() || in[i + 1] < 0xDC00 || in[i + 1] > 0xDFFF) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[++i] - 0xDC00);
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
        }
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return true;
}

const char* OrbPackNameProblem(const std::u16string& part) {
    if (part.empty() || part == u"." || part == u"..") return "not a usable name";
    if (part.size() > kOrbPackMaxPart) return "name longer than 255 units";
    for (char16_t c : part)
        if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'/' || c == u'\\' ||
            c == u'|' || c == u'?' || c == u'*')
            return "name with a character Windows forbids";
    if (part.back() == u'.' || part.back() == u' ') return "name ending in a dot or space";
    if (IsDeviceName(part)) return "reserved device name";
    return nullptr;
}

std::u16string OrbPackFoldCase(const std::u16string& part) {
    std::u16string folded(part);
    for (char16_t& c : folded) c = Upper(c);
    return folded;
}
