// The window framework: binding at the first message, message maps with chaining, the
// loop's filters and quit code, exceptions stopped at the window procedure.
#include <stdexcept>
#include <thread>

#include "gtest/gtest.h"
#include "orbappmodule.h"
#include "orbdialogimpl.h"
#include "orbmessageloop.h"
#include "orbtestutil.h"

namespace {

constexpr UINT kTemplate = 129;
constexpr UINT WM_APP_THROW = WM_APP + 1;
constexpr UINT WM_APP_BASE = WM_APP + 2;
constexpr UINT WM_APP_DERIVED = WM_APP + 3;

class BaseDialog : public ORBDialogImpl {
public:
    UINT firstMessage = 0;
    int baseCalls = 0;
    ORB_BEGIN_MSG_MAP()
        ORB_MESSAGE_HANDLER(WM_APP_BASE, OnBase)
        ORB_MESSAGE_HANDLER(WM_APP_DERIVED, OnBase)
        ORB_MESSAGE_HANDLER(WM_CLOSE, OnClose)
    ORB_END_MSG_MAP()

protected:
    LRESULT OnBase(UINT, WPARAM, LPARAM, BOOL&) {
        ++baseCalls;
        return 7;
    }
    LRESULT OnClose(UINT, WPARAM wParam, LPARAM, BOOL&) {
        DestroyWindow();
        PostQuitMessage(static_cast<int>(wParam));
        return 0;
    }
    BOOL RouteMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override {
        if (!firstMessage) firstMessage = msg;
        return FALSE;
    }
};

class DerivedDialog : public BaseDialog {
public:
    int derivedCalls = 0;
    ORB_BEGIN_MSG_MAP()
        ORB_MESSAGE_HANDLER(WM_APP_DERIVED, OnDerived)
        ORB_MESSAGE_HANDLER(WM_APP_THROW, OnThrow)
        ORB_CHAIN_MSG_MAP(BaseDialog)
    ORB_END_MSG_MAP()

private:
    // Takes the message only every second time; the base map gets the others.
    LRESULT OnDerived(UINT, WPARAM, LPARAM, BOOL& handled) {
        if (++derivedCalls % 2 == 0) handled = FALSE;
        return 5;
    }
    LRESULT OnThrow(UINT, WPARAM wParam, LPARAM, BOOL&) {
        if (wParam) throw std::runtime_error("handler failed");
        throw static_cast<HRESULT>(E_FAIL);
    }
};

struct CountingFilter : ORBMessageFilter {
    UINT swallow = 0;
    int seen = 0;
    BOOL PreTranslateMessage(MSG* msg) override {
        ++seen;
        return msg->message == swallow;
    }
};

struct LoopScope {
    ORBMessageLoop loop;
    LoopScope() { g_orbModule.AddMessageLoop(&loop); }
    ~LoopScope() { g_orbModule.RemoveMessageLoop(); }
};

}  // namespace

TEST(DialogFramework, WindowBindsAtItsFirstMessageAndMapsChain) {
    DerivedDialog dlg;
    HWND hwnd = dlg.Create(nullptr, kTemplate);
    ASSERT_TRUE(hwnd);
    EXPECT_EQ(hwnd, dlg.GetHwnd());
    // The first message of all reached the object, long before WM_INITDIALOG.
    EXPECT_NE(0u, dlg.firstMessage);
    EXPECT_NE(static_cast<UINT>(WM_INITDIALOG), dlg.firstMessage);
    EXPECT_EQ(7, SendMessageW(hwnd, WM_APP_BASE, 0, 0));
    EXPECT_EQ(5, SendMessageW(hwnd, WM_APP_DERIVED, 0, 0));
    EXPECT_EQ(7, SendMessageW(hwnd, WM_APP_DERIVED, 0, 0));  // passed on to the base map
    EXPECT_EQ(2, dlg.derivedCalls);
    EXPECT_EQ(2, dlg.baseCalls);
    dlg.DestroyWindow();
    EXPECT_EQ(nullptr, dlg.GetHwnd());
}

TEST(DialogFramework, ExceptionsStopAtTheWindowProcedure) {
    LogCapture log;
    DerivedDialog dlg;
    HWND hwnd = dlg.Create(nullptr, kTemplate);
    ASSERT_TRUE(hwnd);
    SendMessageW(hwnd, WM_APP_THROW, 0, 0);  // an HRESULT
    SendMessageW(hwnd, WM_APP_THROW, 1, 0);  // a standard exception
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(log.Has(L"hr = 0x80004005"));
    EXPECT_EQ(7, SendMessageW(hwnd, WM_APP_BASE, 0, 0));  // still working
    dlg.DestroyWindow();
}

TEST(DialogFramework, LoopRunsFiltersAndReturnsTheQuitCode) {
    LoopScope scope;
    CountingFilter filter;
    filter.swallow = WM_APP_BASE;
    scope.loop.AddMessageFilter(&filter);
    BaseDialog dlg;
    HWND hwnd = dlg.Create(nullptr, kTemplate);
    ASSERT_TRUE(hwnd);
    PostMessageW(hwnd, WM_APP_BASE, 0, 0);     // filtered: never dispatched
    PostMessageW(hwnd, WM_APP_DERIVED, 0, 0);  // dispatched
    PostMessageW(hwnd, WM_CLOSE, 42, 0);
    EXPECT_EQ(42, g_orbModule.GetMessageLoop()->Run());
    EXPECT_EQ(1, dlg.baseCalls);
    EXPECT_GE(filter.seen, 3);
    EXPECT_TRUE(scope.loop.RemoveMessageFilter(&filter));
    EXPECT_FALSE(scope.loop.RemoveMessageFilter(&filter));
}

TEST(DialogFramework, OneLoopPerThreadAndCreationDataPerThread) {
    ORBMessageLoop a, b;
    EXPECT_TRUE(g_orbModule.AddMessageLoop(&a));
    EXPECT_FALSE(g_orbModule.AddMessageLoop(&b));
    EXPECT_EQ(&a, g_orbModule.GetMessageLoop());
    EXPECT_TRUE(g_orbModule.RemoveMessageLoop());
    EXPECT_EQ(nullptr, g_orbModule.GetMessageLoop());

    int x = 0, y = 0;
    ASSERT_TRUE(g_orbModule.AddCreateWndData(&x));
    void* other = reinterpret_cast<void*>(1);
    std::thread([&] { other = g_orbModule.ExtractCreateWndData(); }).join();
    EXPECT_EQ(nullptr, other);  // another thread does not see this thread's entry
    ASSERT_TRUE(g_orbModule.AddCreateWndData(&y));
    EXPECT_EQ(&y, g_orbModule.ExtractCreateWndData());
    EXPECT_EQ(&x, g_orbModule.ExtractCreateWndData());
    EXPECT_EQ(nullptr, g_orbModule.ExtractCreateWndData());
}

TEST(DialogFramework, MissingTemplateFailsAndLeavesNoCreationData) {
    BaseDialog dlg;
    EXPECT_EQ(nullptr, dlg.Create(nullptr, 4242));
    EXPECT_EQ(nullptr, g_orbModule.ExtractCreateWndData());
}
