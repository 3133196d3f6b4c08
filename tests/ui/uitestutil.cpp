#include "uitestutil.h"

#include <stdio.h>
#include <string.h>

#include "gtest/gtest.h"

namespace {

// GDI+ for the whole test program, as the installer starts it before any image.
class GdiplusEnvironment : public testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&token_, &input, nullptr));
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token_); }

private:
    ULONG_PTR token_ = 0;
};

testing::Environment* const g_gdiplus = testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

const wchar_t kClass[] = L"OrbUiTestRecorder";

}  // namespace

Recorder::Recorder() : hwnd_(nullptr) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);  // a second registration fails harmlessly
    hwnd_ = CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), this);
}

Recorder::~Recorder() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK Recorder::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, (LONG_PTR)cs->lpCreateParams);
    }
    auto* self = reinterpret_cast<Recorder*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && (msg >= WM_USER || msg == WM_NCLBUTTONDOWN)) {
        self->msgs_.push_back({msg, wParam, lParam});
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void Recorder::Pump() {
    MSG m;
    while (PeekMessageW(&m, hwnd_, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

size_t Recorder::Count(UINT msg) {
    size_t n = 0;
    for (const Msg& m : messages())
        if (m.msg == msg) ++n;
    return n;
}

Canvas::Canvas(int width, int height) : w_(width), h_(height), old_(nullptr) {
    dc_ = CreateCompatibleDC(nullptr);
    bmp_.Create(dc_, w_, h_);
    old_ = SelectObject(dc_, bmp_.handle());
}

Canvas::~Canvas() {
    SelectObject(dc_, old_);
    bmp_.Destroy();
    DeleteDC(dc_);
}

Gdiplus::Status Canvas::Draw(ORBUE::IORBBaseUIObject* object) {
    Gdiplus::Status st;
    {
        Gdiplus::Graphics g(dc_);
        object->Draw(&g);
        st = g.GetLastStatus();
    }
    GdiFlush();
    return st;
}

bool Canvas::Render(ORBUE::IORBBaseUIObject* root, float scale) {
    SelectObject(dc_, old_);
    bool ok = ORBUE::RenderTree(dc_, bmp_, root, w_, h_, scale);
    old_ = SelectObject(dc_, bmp_.handle());
    return ok;
}

bool FaceInstalled(const wchar_t* face) {
    Gdiplus::FontFamily family(face);
    return family.GetLastStatus() == Gdiplus::Ok;
}

void SaveArtefact(Canvas& canvas, const std::wstring& name) {
    // Straight-alpha top-down rows from the premultiplied bottom-up bitmap.
    const int w = canvas.bitmap().width(), h = canvas.bitmap().height();
    std::vector<DWORD> rows(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            DWORD p = canvas.Pixel(x, y), a = p >> 24, out = 0;
            for (int i = 0; a && i < 3; ++i) {
                DWORD v = (((p >> (8 * i)) & 0xFF) * 255 + a / 2) / a;
                out |= (v > 255 ? 255 : v) << (8 * i);
            }
            rows[size_t(y) * w + x] = out | (a << 24);
        }
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (!size || Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return;
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    dir = dir.substr(0, dir.find_last_of(L"\\/") + 1) + L"artefacts";
    CreateDirectoryW(dir.c_str(), nullptr);
    Gdiplus::Bitmap bitmap(w, h, w * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(rows.data()));
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].MimeType && wcscmp(codecs[i].MimeType, L"image/png") == 0 &&
            bitmap.Save((dir + L"\\" + name).c_str(), &codecs[i].Clsid, nullptr) == Gdiplus::Ok)
            return;
    fprintf(stderr, "artefact %ls not written\n", name.c_str());
}
