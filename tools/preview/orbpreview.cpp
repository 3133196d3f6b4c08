#include "orbpreview.h"

#include <gdiplus.h>
#include <ole2.h>

#include "orbcontainer.h"
#include "orbcontrols.h"
#include "orbdpi.h"
#include "orbhandle.h"
#include "orblayout.h"
#include "orbmemorybitmap.h"
#include "orbplaceholder.h"
#include "orbresource.h"
#include "orbscriptengine.h"
#include "orbstring.h"
#include "orbtextbox.h"
#include "orbuiframe.h"
#include "orbuiobjectmanager.h"

namespace {

const int kMaxSide = 16384;  // larger frames are refused rather than half-drawn
const wchar_t kOwnerClass[] = L"OrbPreviewOwner";

void Print(const std::wstring& text) {
    std::string u = ORBWideToUtf8(text + L"\n");
    DWORD n = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), u.data(), static_cast<DWORD>(u.size()), &n, nullptr);
}

// The preview's stand-in for a dialog window: never shown, answers nothing itself.
HWND CreateOwner(int width, int height) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kOwnerClass;
    RegisterClassExW(&wc);
    return CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

bool PngEncoder(CLSID* clsid) {
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

// Draws root at the scale into a size.cx x size.cy frame (window pixels) and writes it to
// out as PNG; the exit code.
int SaveFrame(HWND owner, ORBUE::IORBBaseUIObject* root, SIZE size, float scale, const wchar_t* out) {
    int rc = 4;
    {
        ORBWindowDC wdc(owner);
        ORBMemDC mem(CreateCompatibleDC(wdc.get()));
        ORBUE::MemoryBitmap bmp;
        if (mem && ORBUE::RenderTree(mem.get(), bmp, root, size.cx, size.cy, scale)) {
            std::vector<DWORD> argb = ORBPreviewStraightRows(bmp.bits(), size.cx, size.cy);
            if (ORBPreviewSavePng(out, argb, size.cx, size.cy)) rc = 0;
            else Print(std::wstring(L"cannot write ") + out);
        } else {
            Print(L"the frame cannot be drawn (no memory for a " + std::to_wstring(size.cx) + L" x " +
                  std::to_wstring(size.cy) + L" bitmap?)");
        }
    }
    return rc;
}

// What fills the $name$ placeholders: name=value pairs of --set first, then (with
// --globals) the globals GLOBAL_VAR.LUAC made.
struct PreviewTexts {
    bool globals = false;
    std::vector<std::pair<std::wstring, std::wstring>> set;
};

int Render(const wchar_t* dialog, const wchar_t* out, const PreviewTexts& texts, float scale) {
    const bool globals = texts.globals;
    ORBResourceData res = ORBLoadResource(nullptr, ORB_RES_W(ORB_RT_XML), ORB_RES_W(ORB_RN_LAYOUT));
    if (res.status != ORBResourceData::kOk) {
        Print(L"the program carries no usable XML/LAYOUT.XML resource");
        return 2;
    }
    pugi::xml_document doc;
    pugi::xml_parse_result parsed = ORBUE::LoadLayoutDocument(doc, res.data, res.size);
    if (!parsed) {
        Print(L"the layout does not parse: " + ORBUtf8ToWide(parsed.description()) + L" at byte " +
              std::to_wstring(parsed.offset * sizeof(wchar_t)));
        return 2;
    }
    pugi::xml_node dlg = ORBUE::FindDialog(doc, dialog);
    if (!dlg) {
        Print(std::wstring(L"the layout has no <Dlg name=\"") + dialog + L"\">");
        return 3;
    }
    const SIZE layoutSize = ORBUE::DialogSize(dlg);
    const SIZE size = {ORBUE::ScaleLength(layoutSize.cx, scale), ORBUE::ScaleLength(layoutSize.cy, scale)};
    if (size.cx <= 0 || size.cy <= 0 || size.cx > kMaxSide || size.cy > kMaxSide) {
        Print(L"the dialog size " + std::to_wstring(size.cx) + L" x " + std::to_wstring(size.cy) +
              L" is outside 1.." + std::to_wstring(kMaxSide));
        return 3;
    }
    if (globals && !ORBScriptEngine::GetInstance()->DoResLua(L"LUA", L"GLOBAL_VAR.LUAC")) {
        Print(L"LUA/GLOBAL_VAR.LUAC is missing or did not run");
        return 3;
    }

    HWND owner = CreateOwner(size.cx, size.cy);
    if (!owner) {
        Print(L"no window for the dialog, err " + std::to_wstring(GetLastError()));
        return 4;
    }
    // The text boxes read the scale of their window when they are built.
    ORBUE::SetWindowScale(owner, scale);
    ORBUE::UITree tree;
    HRESULT hr = S_OK;
    ORBUE::ContainerUIObjectImpl* root = tree.Build(owner, ORBUE::DialogRoot(dlg), &hr);
    if (FAILED(hr)) {
        wchar_t code[16];
        wsprintfW(code, L"0x%08X", static_cast<unsigned>(hr));
        Print(std::wstring(L"an object of the dialog cannot be built (") + code +
              L"): a missing image resource, resId 0 where an image is needed, or a Progress without Front");
        tree.Reset();
        DestroyWindow(owner);
        return 3;
    }
    if (!root) {
        Print(L"the dialog has no buildable <Container> root");
        DestroyWindow(owner);
        return 3;
    }
    if (globals || !texts.set.empty()) {
        ORBScriptEngine* engine = ORBScriptEngine::GetInstance();
        ORBUE::FillPlaceholders(root,
                                [engine, &texts](const std::wstring& name) {
                                    for (const auto& pair : texts.set)
                                        if (pair.first == name) return pair.second;
                                    return texts.globals ? engine->GetGlobalString(ORBWideToAnsi(name.c_str()).c_str())
                                                         : std::wstring();
                                });
    }

    int rc = SaveFrame(owner, root, size, scale, out);
    tree.Reset();
    DestroyWindow(owner);
    return rc;
}

}  // namespace

std::vector<DWORD> ORBPreviewStraightRows(const DWORD* bottomUp, int width, int height) {
    std::vector<DWORD> out(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const DWORD* row = bottomUp + static_cast<size_t>(height - 1 - y) * width;
        for (int x = 0; x < width; ++x) {
            DWORD p = row[x];
            DWORD a = p >> 24;
            if (a == 0) {
                out[static_cast<size_t>(y) * width + x] = 0;
                continue;
            }
            DWORD c[3];
            for (int i = 0; i < 3; ++i) {
                DWORD v = (p >> (8 * i)) & 0xFF;
                v = (v * 255 + a / 2) / a;
                c[i] = v > 255 ? 255 : v;
            }
            out[static_cast<size_t>(y) * width + x] = (a << 24) | (c[2] << 16) | (c[1] << 8) | c[0];
        }
    }
    return out;
}

bool ORBPreviewSavePng(const wchar_t* path, const std::vector<DWORD>& argb, int width, int height) {
    CLSID png;
    if (!PngEncoder(&png)) return false;
    Gdiplus::Bitmap bitmap(width, height, width * 4, PixelFormat32bppARGB,
                           reinterpret_cast<BYTE*>(const_cast<DWORD*>(argb.data())));
    if (bitmap.GetLastStatus() != Gdiplus::Ok) return false;
    return bitmap.Save(path, &png, nullptr) == Gdiplus::Ok;
}

float ORBPreviewParseScale(const wchar_t* text) {
    if (!text || !*text) return 0.0f;
    wchar_t* end = nullptr;
    const double v = wcstod(text, &end);
    const bool percent = *end == L'%';
    if (percent) ++end;
    if (*end || !(v > 0.0)) return 0.0f;
    // "150" and "150%" are percentages, "1.5" a factor.
    const double factor = percent || v > 8.0 ? v / 100.0 : v;
    return factor >= 0.5 && factor <= 8.0 ? float(factor) : 0.0f;
}

int ORBPreviewMain(int argc, wchar_t** argv) {
    PreviewTexts texts;
    float scale = 1.0f;
    bool usage = false;
    std::vector<const wchar_t*> args;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"--globals") == 0) {
            texts.globals = true;
        } else if (wcscmp(argv[i], L"--set") == 0) {
            const wchar_t* pair = i + 1 < argc ? argv[++i] : L"";
            const wchar_t* eq = wcschr(pair, L'=');
            if (!eq || eq == pair) usage = true;
            else texts.set.emplace_back(std::wstring(pair, eq), std::wstring(eq + 1));
        } else if (wcscmp(argv[i], L"--scale") == 0) {
            scale = ORBPreviewParseScale(i + 1 < argc ? argv[++i] : nullptr);
            if (scale == 0.0f) usage = true;
        } else {
            args.push_back(argv[i]);
        }
    }
    if (usage || args.size() != 2) {
        Print(L"usage: preview [--globals] [--set name=value]... [--scale <percent or factor>] <DlgName> <out.png>\n"
              L"Builds the dialog of the embedded layout off-screen and writes it as a PNG with alpha.\n"
              L"--globals runs LUA/GLOBAL_VAR.LUAC first and fills $name$ placeholders from its globals.\n"
              L"--set fills the placeholder $name$ with value (before the globals).\n"
              L"--scale draws it as a display scaled by 150% (150, 150% or 1.5) would show it, 50% to 800%.");
        return 1;
    }
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        Print(L"GDI+ does not start");
        return 4;
    }
    int rc;
    {
        ORBComScope ole{ORBComScope::Ole{}};
        rc = Render(args[0], args[1], texts, scale);
    }
    Gdiplus::GdiplusShutdown(token);
    return rc;
}
