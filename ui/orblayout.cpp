#include "orblayout.h"

#include <climits>
#include <cwchar>
#include <cwctype>

namespace ORBUE {

namespace {

// One scanf-style signed decimal field; false when no digit follows.
bool ScanNumber(const wchar_t*& p, long long lo, long long hi, long long* out) {
    while (iswspace(*p)) ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
    if (*p < L'0' || *p > L'9') return false;
    long long v = 0;
    while (*p >= L'0' && *p <= L'9') {
        if (v < (1LL << 40)) v = v * 10 + (*p - L'0');
        ++p;
    }
    if (negative) v = -v;
    *out = v < lo ? lo : v > hi ? hi : v;
    return true;
}

}  // namespace

int ScanRect(const wchar_t* text, RECT* rect) {
    if (!text) return 0;
    LONG* fields[4] = {&rect->left, &rect->top, &rect->right, &rect->bottom};
    const wchar_t* p = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*p != L',') return i;
            ++p;
        }
        long long v;
        if (!ScanNumber(p, INT_MIN, INT_MAX, &v)) return i;
        *fields[i] = static_cast<LONG>(v);
    }
    return 4;
}

bool ScanColor(const wchar_t* text, BYTE rgb[3]) {
    const wchar_t* p = text;
    BYTE out[3];
    for (int i = 0; p && i < 3; ++i) {
        long long v;
        if ((i > 0 && *p++ != L',') || !ScanNumber(p, LLONG_MIN / 2, LLONG_MAX / 2, &v)) {
            p = nullptr;
            break;
        }
        out[i] = static_cast<BYTE>(static_cast<unsigned short>(v) & 0xFF);
    }
    if (!p) {
        rgb[0] = kDefaultTextRed;
        rgb[1] = kDefaultTextGreen;
        rgb[2] = kDefaultTextBlue;
        return false;
    }
    rgb[0] = out[0];
    rgb[1] = out[1];
    rgb[2] = out[2];
    return true;
}

int LayoutInt(const pugi::xml_node& node, const wchar_t* name, int def) {
    pugi::xml_attribute a = node.attribute(name);
    if (!a) return def;
    long v = wcstol(a.value(), nullptr, 10);
    return static_cast<int>(v);
}

UINT LayoutUInt(const pugi::xml_node& node, const wchar_t* name, UINT def) {
    pugi::xml_attribute a = node.attribute(name);
    if (!a) return def;
    return static_cast<UINT>(wcstoul(a.value(), nullptr, 10));
}

bool LayoutBool(const pugi::xml_node& node, const wchar_t* name, bool def) {
    pugi::xml_attribute a = node.attribute(name);
    if (!a) return def;
    wchar_t c = a.value()[0];
    return c == L'1' || c == L't' || c == L'T' || c == L'y' || c == L'Y';
}

std::wstring LayoutString(const pugi::xml_node& node, const wchar_t* name) {
    return node.attribute(name).value();
}

std::wstring LayoutText(const pugi::xml_node& node) { return node.child_value(); }

bool LayoutHasText(const pugi::xml_node& node) { return static_cast<bool>(node.text()); }

pugi::xml_parse_result LoadLayoutDocument(pugi::xml_document& doc, const void* data, size_t size) {
    return doc.load_buffer(data, size, pugi::parse_default, pugi::encoding_utf16_le);
}

pugi::xml_node FindDialog(const pugi::xml_document& doc, const wchar_t* name) {
    return doc.first_child().find_child_by_attribute(L"Dlg", L"name", name);
}

pugi::xml_node DialogRoot(const pugi::xml_node& dlg) { return dlg.child(L"Container"); }

SIZE DialogSize(const pugi::xml_node& dlg) {
    SIZE s = {LayoutInt(dlg, L"width", 400), LayoutInt(dlg, L"height", 300)};
    return s;
}

}  // namespace ORBUE
