// Version information, manifest and icon resources.
#include "orbpackwinres.h"

#include <algorithm>

#include "orbpackfiles.h"

namespace {

constexpr uint16_t kRtIcon = 3, kRtGroupIcon = 14;

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Align4(std::vector<uint8_t>& b) {
    while (b.size() % 4) b.push_back(0);
}
void PutText(std::vector<uint8_t>& b, const std::u16string& s) {
    for (char16_t c : s) Put16(b, c);
    Put16(b, 0);
}
std::u16string U16(const std::string& s) {
    std::u16string out;
    if (!OrbPackUtf16(s, out)) out.assign(s.begin(), s.end());
    return out;
}

// One node of the version tree: length, value length, type, key, value, children.
// `valueUnits` is the value length the format wants (bytes for binary, units for text).
void Node(std::vector<uint8_t>& b, const std::u16string& key, const std::vector<uint8_t>& value, uint16_t valueUnits,
          bool text, const std::vector<std::vector<uint8_t>>& children) {
    Align4(b);
    size_t start = b.size();
    Put16(b, 0);
    Put16(b, valueUnits);
    Put16(b, text ? 1 : 0);
    PutText(b, key);
    Align4(b);
    b.insert(b.end(), value.begin(), value.end());
    for (const auto& c : children) {
        Align4(b);
        b.insert(b.end(), c.begin(), c.end());
    }
    size_t len = b.size() - start;
    b[start] = uint8_t(len);
    b[start + 1] = uint8_t(len >> 8);
}

std::vector<uint8_t> StringNode(const std::string& key, const std::string& value) {
    std::vector<uint8_t> v, out;
    std::u16string text = U16(value);
    PutText(v, text);
    Node(out, U16(key), v, uint16_t(text.size() + 1), true, {});
    return out;
}

}  // namespace

std::vector<uint8_t> OrbPackVersionInfo(const OrbPackVersion& v) {
    uint16_t nums[4] = {};
    size_t part = 0, at = 0;
    while (part < 4 && at <= v.version.size()) {
        size_t dot = v.version.find('.', at);
        std::string s = v.version.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
        uint32_t n = 0;
        for (char c : s) {
            if (c < '0' || c > '9') break;
            n = (n * 10 + uint32_t(c - '0')) % 65536;
        }
        nums[part++] = uint16_t(n);
        if (dot == std::string::npos) break;
        at = dot + 1;
    }
    std::vector<uint8_t> fixed;
    Put32(fixed, 0xFEEF04BD);
    Put32(fixed, 0x00010000);
    for (int i = 0; i < 2; ++i) {  // file version, then product version
        Put32(fixed, uint32_t(nums[0]) << 16 | nums[1]);
        Put32(fixed, uint32_t(nums[2]) << 16 | nums[3]);
    }
    Put32(fixed, 0x3F);     // flags mask
    Put32(fixed, 0);        // flags
    Put32(fixed, 0x40004);  // NT, 32-bit Windows
    Put32(fixed, 1);        // application
    Put32(fixed, 0);
    Put32(fixed, 0);  // date
    Put32(fixed, 0);

    std::vector<uint8_t> table, strings, translation, vars, var, root;
    Node(table, u"040904B0", {}, 0, true,
         {StringNode("CompanyName", v.publisher), StringNode("FileDescription", v.description),
          StringNode("FileVersion", v.version), StringNode("OriginalFilename", v.fileName),
          StringNode("ProductName", v.product), StringNode("ProductVersion", v.version)});
    Node(strings, u"StringFileInfo", {}, 0, true, {table});
    Put16(translation, 0x0409);
    Put16(translation, 1200);
    Node(var, u"Translation", translation, 4, false, {});
    Node(vars, u"VarFileInfo", {}, 0, true, {var});
    Node(root, u"VS_VERSION_INFO", fixed, uint16_t(fixed.size()), false, {strings, vars});
    return root;
}

std::vector<uint8_t> OrbPackManifest(const std::string& level) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
        "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
        "    <security>\n"
        "      <requestedPrivileges>\n"
        "        <requestedExecutionLevel level=\"" + level + "\" uiAccess=\"false\"/>\n"
        "      </requestedPrivileges>\n"
        "    </security>\n"
        "  </trustInfo>\n"
        "  <dependency>\n"
        "    <dependentAssembly>\n"
        "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"\n"
        "                        processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>\n"
        "    </dependentAssembly>\n"
        "  </dependency>\n"
        // GDI+ is a static import and a KnownDLL only from Windows 10: bound to the system's
        // side-by-side copy, it is never searched for in the setup's folder.
        "  <dependency>\n"
        "    <dependentAssembly>\n"
        "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.GdiPlus\" version=\"1.1.0.0\"\n"
        "                        processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>\n"
        "    </dependentAssembly>\n"
        "  </dependency>\n"
        "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\n"
        "    <application>\n"
        "      <supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>\n"
        "      <supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>\n"
        "      <supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>\n"
        "      <supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>\n"
        "    </application>\n"
        "  </compatibility>\n"
        "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
        "    <windowsSettings>\n"
        "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>\n"
        "      <dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>\n"
        "      <longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</longPathAware>\n"
        "    </windowsSettings>\n"
        "  </application>\n"
        "</assembly>\n";
    return std::vector<uint8_t>(text.begin(), text.end());
}

bool OrbPackSetIcon(OrbResources& res, uint16_t groupId, uint16_t language, const std::vector<uint8_t>& ico,
                    std::string& error) {
    auto get16 = [&](size_t at) { return uint32_t(ico[at] | ico[at + 1] << 8); };
    auto get32 = [&](size_t at) { return get16(at) | get16(at + 2) << 16; };
    if (ico.size() < 6 || get16(0) != 0 || get16(2) != 1 || get16(4) == 0 || ico.size() < 6 + 16 * get16(4)) {
        error = "not an .ico file";
        return false;
    }
    size_t count = get16(4);
    // The images of the group replaced go with it.
    const OrbResKey groupType = OrbResKey::Id(kRtGroupIcon), iconType = OrbResKey::Id(kRtIcon);
    if (const OrbResEntry* old = res.Find(groupType, OrbResKey::Id(groupId))) {
        const auto& g = old->data;
        for (size_t i = 0; g.size() >= 6 && i < size_t(g[4] | g[5] << 8) && 6 + 14 * (i + 1) <= g.size(); ++i)
            res.Remove(iconType, OrbResKey::Id(uint16_t(g[6 + 14 * i + 12] | g[6 + 14 * i + 13] << 8)));
        res.Remove(groupType, OrbResKey::Id(groupId));
    }
    uint16_t next = 1;
    for (const OrbResEntry& e : res.Entries())
        if (e.type == iconType && e.name.IsId()) next = std::max<uint16_t>(next, uint16_t(e.name.id + 1));
    std::vector<uint8_t> group;
    Put16(group, 0);
    Put16(group, 1);
    Put16(group, uint32_t(count));
    for (size_t i = 0; i < count; ++i) {
        size_t e = 6 + 16 * i;
        uint32_t size = get32(e + 8), offset = get32(e + 12);
        if (offset > ico.size() || size > ico.size() - offset) {
            error = "an icon image lies outside the file";
            return false;
        }
        group.insert(group.end(), ico.begin() + e, ico.begin() + e + 12);  // up to the size
        Put16(group, next);
        res.Set(iconType, OrbResKey::Id(next), language,
                std::vector<uint8_t>(ico.begin() + offset, ico.begin() + offset + size));
        ++next;
    }
    res.Set(groupType, OrbResKey::Id(groupId), language, std::move(group));
    return true;
}
