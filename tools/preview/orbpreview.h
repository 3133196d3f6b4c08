// Layout preview: builds one dialog of the program's embedded layout off-screen with the
// real loader and drawing code and writes the composed frame (with alpha) as a PNG.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// usage: <setup>-preview.exe [--globals] [--set name=value]... [--scale <percent or factor>]
//        <DlgName> <out.png>
// Exit codes: 0 written, 1 usage, 2 layout missing or unparsable, 3 dialog missing or
// its tree cannot be built, 4 the frame cannot be drawn or written.
int ORBPreviewMain(int argc, wchar_t** argv);

// The scale of a --scale argument: "150", "150%" or "1.5" give 1.5; 0 for anything that
// is no number or lies outside 50%..800%.
float ORBPreviewParseScale(const wchar_t* text);

// Unpremultiplies the bottom-up premultiplied BGRA pixels of a frame into top-down
// straight-alpha ARGB rows.
std::vector<DWORD> ORBPreviewStraightRows(const DWORD* bottomUp, int width, int height);

// Writes top-down straight ARGB pixels as a PNG through GDI+; false when it fails.
bool ORBPreviewSavePng(const wchar_t* path, const std::vector<DWORD>& argb, int width, int height);
