// File reading, atomic writing and the input checks of the packer.
#include "orbpackfiles.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>

#include "pugixml.hpp"

#ifndef _WIN32
#include <sys/wait.h>
#endif

std::string OrbPackShow(const fs::path& p) {
    auto s = p.u8string();
    return std::string(s.begin(), s.end());
}

bool OrbPackRead(const fs::path& file, std::vector<uint8_t>& bytes, std::string& error) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        error = OrbPackShow(file) + ": no such file";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (in) bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        error = OrbPackShow(file) + ": cannot read";
        return false;
    }
    return true;
}

bool OrbPackWrite(const fs::path& file, const std::vector<uint8_t>& bytes, std::string& error) {
    fs::path tmp = file;
    tmp += ".orbpack-tmp";
    std::error_code ec;
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (out) out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (out) out.close();
        if (!out) {
            fs::remove(tmp, ec);
            error = OrbPackShow(file) + ": cannot write";
            return false;
        }
    }
    fs::rename(tmp, file, ec);
    if (ec) {
        fs::remove(tmp, ec);
        error = OrbPackShow(file) + ": cannot write";
        return false;
    }
    return true;
}

bool OrbPackCheckPng(const fs::path& file, const std::vector<uint8_t>& bytes, std::string& error) {
    static const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (bytes.size() < 33 || std::memcmp(bytes.data(), kSignature, 8) != 0 || std::memcmp(&bytes[12], "IHDR", 4) != 0) {
        error = OrbPackShow(file) + ": not a PNG image";
        return false;
    }
    return true;
}

bool OrbPackUtf16(const std::string& s, std::u16string& out) {
    out.clear();
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp;
        size_t n;
        if (c < 0x80) cp = c, n = 1;
        else if ((c & 0xE0) == 0xC0) cp = c & 0x1F, n = 2;
        else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, n = 3;
        else if ((c & 0xF8) == 0xF0) cp = c & 0x07, n = 4;
        else return false;
        if (i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k) {
            unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = cp << 6 | (d & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
        i += n;
    }
    return true;
}

bool OrbPackLayout(const fs::path& file, const std::vector<uint8_t>& bytes, std::vector<uint8_t>& utf16,
                   std::string& error) {
    std::u16string text;
    size_t bom = 0;
    if (bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        bool le = bytes[0] == 0xFF;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += char16_t(le ? bytes[i] | bytes[i + 1] << 8 : bytes[i] << 8 | bytes[i + 1]);
    } else {
        if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) bom = 3;
        if (!OrbPackUtf16(std::string(bytes.begin() + bom, bytes.end()), text)) {
            error = OrbPackShow(file) + ": not UTF-8 or UTF-16 text";
            return false;
        }
    }
    utf16 = {0xFF, 0xFE};
    for (char16_t c : text) {
        utf16.push_back(uint8_t(c));
        utf16.push_back(uint8_t(c >> 8));
    }
    // Checked in UTF-8, whose offsets pugixml reports, to name the line.
    std::string utf8;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (cp < 0x80) {
            utf8 += char(cp);
        } else if (cp < 0x800) {
            utf8 += char(0xC0 | cp >> 6);
            utf8 += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            utf8 += char(0xE0 | cp >> 12);
            utf8 += char(0x80 | (cp >> 6 & 0x3F));
            utf8 += char(0x80 | (cp & 0x3F));
        } else {
            utf8 += char(0xF0 | cp >> 18);
            utf8 += char(0x80 | (cp >> 12 & 0x3F));
            utf8 += char(0x80 | (cp >> 6 & 0x3F));
            utf8 += char(0x80 | (cp & 0x3F));
        }
    }
    pugi::xml_document doc;
    pugi::xml_parse_result r = doc.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!r) {
        size_t line = 1;
        for (size_t i = 0; i < size_t(r.offset) && i < utf8.size(); ++i) line += utf8[i] == '\n';
        error = OrbPackShow(file) + ":" + std::to_string(line) + ": " + r.description();
        return false;
    }
    return true;
}

int OrbPackSystem(const std::string& commandLine) {
#ifdef _WIN32
    // The wide entry, so paths outside the ANSI code page survive.
    std::u16string units;
    if (!OrbPackUtf16(commandLine, units)) return -1;
    std::wstring wide(units.begin(), units.end());
    return _wsystem(wide.c_str());
#else
    int status = std::system(commandLine.c_str());
    return status == -1 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}
