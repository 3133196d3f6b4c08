#include "orbplatform.h"

#include <windows.h>
#include <gdiplus.h>

namespace {

struct GdiplusSession {
    ULONG_PTR token = 0;
    Gdiplus::Status status = Gdiplus::GenericError;
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback
        status = Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    ~GdiplusSession() {
        if (status == Gdiplus::Ok) Gdiplus::GdiplusShutdown(token);
    }
};

}  // namespace

bool ORBStartGdiplus() {
    static GdiplusSession session;
    return session.status == Gdiplus::Ok;
}
