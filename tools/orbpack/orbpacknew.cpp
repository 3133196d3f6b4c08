#include "orbpacknew.h"

#include <cstdio>
#include <random>
#include <system_error>
#include <vector>

#include "orbpackfiles.h"

const char kOrbPackTemplateGuid[] = "{D2A65F1C-3B7E-4C09-8E5A-6F1B2C3D4E50}";

std::string OrbPackNewGuid() {
    std::random_device rd;
    unsigned char b[16];
    for (unsigned char& c : b) c = static_cast<unsigned char>(rd() & 0xff);
    b[6] = static_cast<unsigned char>((b[6] & 0x0f) | 0x40);  // version 4: random
    b[8] = static_cast<unsigned char>((b[8] & 0x3f) | 0x80);  // the standard variant
    char text[40];
    std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                  b[15]);
    return text;
}

bool OrbPackNewProduct(const fs::path& templ, const fs::path& folder, std::string& error) {
    std::error_code ec;
    if (!fs::is_regular_file(templ / "product.lua", ec))
        return error = OrbPackShow(templ) + ": not a product template (no product.lua)", false;
    if (fs::exists(folder, ec) && !(fs::is_directory(folder, ec) && fs::is_empty(folder, ec)))
        return error = OrbPackShow(folder) + ": exists and is not an empty folder", false;
    // Entry by entry into the (now existing) folder: the Windows library refuses to copy
    // a folder onto one that exists. Links in the template are copied as links, never
    // followed.
    fs::create_directories(folder, ec);
    if (!ec) {
        for (const fs::directory_entry& e : fs::directory_iterator(templ, ec)) {
            fs::copy(e.path(), folder / e.path().filename(),
                     fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
            if (ec) break;
        }
    }
    if (ec) return error = OrbPackShow(folder) + ": cannot copy the template: " + ec.message(), false;

    const fs::path global = folder / "GLOBAL_VAR.lua";
    std::vector<uint8_t> bytes;
    if (!OrbPackRead(global, bytes, error)) return false;
    std::string text(bytes.begin(), bytes.end());
    const std::string placeholder = kOrbPackTemplateGuid, guid = OrbPackNewGuid();
    for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + guid.size()))
        text.replace(at, placeholder.size(), guid);
    return OrbPackWrite(global, std::vector<uint8_t>(text.begin(), text.end()), error);
}
