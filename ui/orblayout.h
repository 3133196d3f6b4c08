// The layout document: attribute syntax and the dialog lookup.
#pragma once

#include <windows.h>

#include <string>

#include "pugixml.hpp"

namespace ORBUE {

// Colour used when a `color` attribute is missing or does not give three numbers.
constexpr BYTE kDefaultTextRed = 0, kDefaultTextGreen = 0, kDefaultTextBlue = 0;

// Scans "%d,%d,%d,%d" into left, top, right, bottom as a wide scanf would: each field
// skips leading white space and takes a sign and digits; scanning stops at the first
// field or comma that does not match, and fields not reached keep their value. Values
// beyond the int range are clamped. Returns the number of fields set. Null text: 0.
int ScanRect(const wchar_t* text, RECT* rect);

// Scans "%hu,%hu,%hu" (low 8 bits of each kept). True when all three scanned; false
// (rgb set to the default colour) otherwise.
bool ScanColor(const wchar_t* text, BYTE rgb[3]);

// Attribute readers; an absent attribute gives the default.
int LayoutInt(const pugi::xml_node& node, const wchar_t* name, int def);      // wcstol base 10
UINT LayoutUInt(const pugi::xml_node& node, const wchar_t* name, UINT def);   // wcstoul base 10
// True when the first character is '1', 't', 'T', 'y' or 'Y' (empty value: false).
bool LayoutBool(const pugi::xml_node& node, const wchar_t* name, bool def);
std::wstring LayoutString(const pugi::xml_node& node, const wchar_t* name);   // absent: ""
// First character-data (or CDATA) child's value; "" when there is none.
std::wstring LayoutText(const pugi::xml_node& node);
bool LayoutHasText(const pugi::xml_node& node);

// Loads a layout document from UTF-16LE bytes (a leading byte-order mark is allowed).
pugi::xml_parse_result LoadLayoutDocument(pugi::xml_document& doc, const void* data, size_t size);

// First <Dlg> child of the document's first child whose `name` equals name exactly;
// an empty node when there is none.
pugi::xml_node FindDialog(const pugi::xml_document& doc, const wchar_t* name);
// The first child element of a Dlg named exactly "Container"; empty when none.
pugi::xml_node DialogRoot(const pugi::xml_node& dlg);
// Window size of a Dlg: `width` (default 400) and `height` (default 300).
SIZE DialogSize(const pugi::xml_node& dlg);

}  // namespace ORBUE
