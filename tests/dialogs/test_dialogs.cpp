// The interactive road end to end: the dialog test product driven through its windows.
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include <cstdio>

#include <oleacc.h>

#include "gtest/gtest.h"
#include "orbhandle.h"
#include "orbrunwindow.h"
#include "orbtestutil.h"
#include "orbuimessages.h"

namespace {

using Env = std::vector<std::pair<std::wstring, std::wstring>>;
const wchar_t kClass[] = L"Orb_Installer";

// Client points of the test layout.
const POINT kInitClose = {570, 25};
const POINT kInstallBtn = {300, 357};
const POINT kLicenceChk = {28, 405};
const POINT kSettingsChk = {228, 405};
const POINT kOptionChk = {348, 405};
const POINT kToggleBtn = {478, 406};
const POINT kQuickLaunchChk = {28, 220};
const POINT kExtraChk = {408, 260};
const POINT kBackUpBox = {200, 266};
const POINT kCompleteClose = {570, 25};
const POINT kUseBtn = {300, 297};

std::wstring UniqueGuid() {
    static int n = 0;
    return L"Local\\orb-dlg-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++n);
}

// One run of a test product on a thread of its own, so the test can drive its windows.
class Session {
public:
    Session(const std::wstring& exe, Env env, std::vector<int> answers = {}) : dir_(L"dlg") {
        trace_ = dir_.file(L"trace.txt");
        env.emplace_back(L"ORB_T_TRACE", trace_);
        env.emplace_back(L"ORB_T_GUID", UniqueGuid());
        bool hasPath = false;
        for (const auto& kv : env) hasPath |= kv.first == L"ORB_T_PATH";
        if (!hasPath) env.emplace_back(L"ORB_T_PATH", dir_.file(L"InstallDir"));
        options_.environment = env;
        options_.answers = std::move(answers);
        options_.timeoutMs = 120000;  // a whole install on a loaded 2-core machine, as test_demo
        options_.onStarted = [this](DWORD pid) { pid_ = pid; };
        options_.answerBox = [this](const std::wstring&, const std::wstring&) {
            ++extraBoxes_;
            if (whileBoxUp) whileBoxUp();
            return IDOK;
        };
        thread_ = std::thread([this, exe] { result_ = RunProduct(exe, options_); done_ = true; });
        for (int i = 0; i < 500 && !pid_ && !done_; ++i) Sleep(10);
    }
    // A test that stopped early ends the product instead of waiting for its timeout.
    ~Session() {
        if (!thread_.joinable()) return;
        if (!done_ && pid_) {
            if (HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, pid_)) {
                TerminateProcess(h, 255);
                CloseHandle(h);
            }
        }
        thread_.join();
        trace = ReadLines(trace_);
        Dump();
    }

    // The next dialog window (after `previous` is gone), or null. A minute, as the shared
    // session: a first dialog under emulation on a loaded machine took more than 20 s.
    HWND NextDialog(HWND previous = nullptr) {
        if (previous && !ORBWaitForWindowGone(previous, 60000)) return nullptr;
        return pid_ ? ORBWaitForWindow(pid_, kClass, nullptr, 60000) : nullptr;
    }
    // Waits for the end of the run and reads the trace.
    void Finish() {
        if (thread_.joinable()) thread_.join();
        trace = ReadLines(trace_);
        if (::testing::Test::HasFailure()) Dump();
    }
    void Dump() const {
        for (const std::wstring& l : result_.lines) printf("  log: %s", Narrow(l).c_str());
        for (const ORBMessageBoxSeen& b : result_.boxes) printf("  box: %s\n", Narrow(b.text).c_str());
        for (const std::string& l : trace) printf("  trace: %s\n", l.c_str());
    }
    bool Done() const { return done_; }
    // Waits until a box disabled dlg and was answered (or ms passed).
    void WaitModalBox(HWND dlg, DWORD ms = 20000) {
        bool seen = false;
        for (DWORD t = 0; t < ms; t += 10) {
            if (!IsWindowEnabled(dlg)) seen = true;
            else if (seen) return;
            Sleep(10);
        }
    }
    // Waits until n boxes (beyond the answers list) were answered and dlg takes input again.
    bool WaitBoxes(int n, HWND dlg) {
        for (int i = 0; i < 500; ++i) {
            if (extraBoxes_ >= n && IsWindowEnabled(dlg)) return true;
            Sleep(20);
        }
        return false;
    }
    // Waits until the run ended or ms passed.
    void WaitEnd(DWORD ms) {
        for (DWORD t = 0; t < ms && !done_; t += 20) Sleep(20);
    }
    bool Traced(const std::string& line) const {
        for (const std::string& l : ReadLines(trace_))
            if (l == line) return true;
        return false;
    }
    const std::wstring& dir() const { return dir_.path(); }
    std::wstring file(const std::wstring& name) const { return dir_.file(name); }

    ORBRunResult result_;
    std::vector<std::string> trace;
    // Runs on the driver's thread while a box beyond the answers list is up.
    std::function<void()> whileBoxUp;
    std::atomic<int> extraBoxes_{0};

private:
    ScopedTempDir dir_;
    std::wstring trace_;
    ORBRunOptions options_;
    std::atomic<DWORD> pid_{0};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

void Click(HWND hwnd, POINT pt) {
    ORBClickClient(hwnd, pt.x, pt.y);
    Sleep(150);
}

bool Has(const std::vector<std::string>& trace, const std::string& line) {
    for (const std::string& l : trace)
        if (l == line) return true;
    return false;
}

int IndexOf(const std::vector<std::string>& trace, const std::string& line) {
    for (size_t i = 0; i < trace.size(); ++i)
        if (trace[i] == line) return static_cast<int>(i);
    return -1;
}

void SaveFrame(HWND hwnd, const std::wstring& name) {
    ORBFrame frame;
    if (!ORBCaptureWindow(hwnd, frame)) {
        ADD_FAILURE() << "capture failed: " << Narrow(name);
        return;
    }
    CreateDirectoryW(TestPath(L"artefacts").c_str(), nullptr);
    EXPECT_TRUE(ORBSaveFramePng(frame, TestPath(L"artefacts\\" + name)));
}

// Pixels of the client rectangle [x0,x1)x[y0,y1) unlike its first one, once the window
// showed any there (polled up to ms: a dialog draws its first frame after it appeared).
int WaitForInk(HWND hwnd, int x0, int y0, int x1, int y1, DWORD ms = 10000) {
    int ink = 0;
    for (DWORD t = 0; t <= ms && !ink; t += 50) {
        ORBFrame frame;
        if (ORBCaptureWindow(hwnd, frame))
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) ink += frame.At(x, y) != frame.At(x0, y0);
        if (!ink) Sleep(50);
    }
    return ink;
}

}  // namespace

// A product that chooses no language: the host's texts are in the Chinese its layout is
// worded in, whatever the display language.
TEST(Dialogs, InteractiveRunThroughAllThreeDialogs) {
    Session s(L"dlg_full.exe",
              {{L"ORB_T_NEED", L"not a number"}, {L"ORB_T_OFFER", L"Extra Tool"}, {L"ORB_T_LANG", L"none"}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    wchar_t title[64] = {};
    GetWindowTextW(init, title, 64);
    EXPECT_STREQ(L"DlgTest安装", title);
    RECT rc;
    GetWindowRect(init, &rc);
    EXPECT_EQ(600, rc.right - rc.left);
    EXPECT_EQ(430, rc.bottom - rc.top);
    Sleep(300);
    SaveFrame(init, L"dlg-init.png");
    Click(init, kInstallBtn);

    HWND install = s.NextDialog(init);
    ASSERT_TRUE(install);
    Sleep(300);
    SaveFrame(install, L"dlg-install.png");
    HWND complete = s.NextDialog(install);
    ASSERT_TRUE(complete);
    Sleep(300);
    SaveFrame(complete, L"dlg-complete.png");
    Click(complete, kCompleteClose);
    s.Finish();

    EXPECT_EQ(1u, s.result_.exitCode);
    const std::vector<std::string>& t = s.trace;
    const std::string path = Narrow(s.file(L"InstallDir"));
    std::vector<std::string> order = {"BeforeInit", "BeforeInstall", "OnInstall", "BeforeComplete", "AfterComplete"};
    int last = -1;
    for (const std::string& hook : order) {
        int at = IndexOf(t, hook);
        EXPECT_GT(at, last) << hook;
        last = at;
    }
    EXPECT_TRUE(Has(t, "InstallPath=" + path));
    EXPECT_TRUE(Has(t, "BackUpPath="));
    EXPECT_TRUE(Has(t, "DesktopShortcutChk=true"));
    EXPECT_TRUE(Has(t, "QuickLaunchChk=false"));
    EXPECT_TRUE(Has(t, "SelfStartChk=true"));  // from global_startup_check
    EXPECT_TRUE(Has(t, "LicenceChk=true"));
    EXPECT_TRUE(Has(t, "SettingsChk=false"));
    EXPECT_TRUE(Has(t, "global_install_progress_elapse=0"));  // no payload
    // A fast worker: the bar was far from 100 when the hook returned, and still ran to 100.
    EXPECT_TRUE(Has(t, "pos at end of OnInstall<100=true"));
    EXPECT_TRUE(Has(t, "global_install_progress_pos=100"));
    // Published at close: the offer text came from its global and the box was checked.
    EXPECT_TRUE(Has(t, "StartupChk=true"));
    EXPECT_TRUE(Has(t, "OfferChk1=true"));
    EXPECT_TRUE(Has(t, "OfferChk2=false"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(s.file(L"InstallDir").c_str()));
    EXPECT_TRUE(s.result_.HasLine(L"global_need_disk_space is not a byte count"));
    EXPECT_TRUE(s.result_.HasLine(L"xm agree DlgTest"));
    EXPECT_TRUE(s.result_.HasLine(L"xm offer Extra Tool now") || s.result_.HasLine(L"xm Extra Tool"));
    EXPECT_TRUE(s.result_.boxes.empty());
    // The install dialog's slideshow ran on timers it asked for, stopped at close.
    EXPECT_TRUE(s.result_.HasLine(L"xm ORBInstallDlg::OnORBUMSetAnimationTimer 110"));
    EXPECT_TRUE(s.result_.HasLine(L"xm ORBInstallDlg::OnORBUMKillAnimationTimer 110"));
}

// The program where the script last put global_install_path, else in the folder the user
// chose, else nothing (and a line saying so).
TEST(Dialogs, StartButtonStartsTheInstalledProgramAndFinishes) {
    for (const wchar_t* app : {L"bin", L"chosen", L""}) {
        Env env;
        if (*app) env.emplace_back(L"ORB_T_APP", app);
        Session s(L"dlg_full.exe", env);
        HWND init = s.NextDialog();
        ASSERT_TRUE(init);
        Click(init, kInstallBtn);
        HWND complete = s.NextDialog(s.NextDialog(init));
        ASSERT_TRUE(complete);
        Click(complete, kUseBtn);
        s.Finish();
        EXPECT_EQ(1u, s.result_.exitCode);
        EXPECT_TRUE(Has(s.trace, "AfterComplete"));
        const std::wstring bin = s.file(L"InstallDir\\bin\\app.exe"), chosen = s.file(L"InstallDir\\app.exe");
        // Handed to the desktop shell for the signed-in user; when no desktop shell
        // answers, the failed direct start of the file (no real program) is logged, or, in an
        // elevated setup, that nothing was started.
        auto started = [&](const std::wstring& path) {
            return s.result_.HasLine(L"xm Started " + path + L" for the signed-in user") ||
                   s.result_.HasLine(L"xm ShellExecute failed for " + path) ||
                   s.result_.HasLine(L"xm Start of " + path + L" skipped");
        };
        if (std::wstring(app) == L"bin") {
            EXPECT_TRUE(s.result_.HasLine(L"xm start button: " + bin + L" (from global_install_path)"));
            EXPECT_TRUE(started(bin));
        } else if (*app) {
            EXPECT_TRUE(s.result_.HasLine(L"xm start button: " + chosen + L" (from InstallPath)"));
            EXPECT_TRUE(started(chosen));
        } else {
            EXPECT_TRUE(s.result_.HasLine(L"xm start button: app.exe is neither in global_install_path"));
            EXPECT_FALSE(started(chosen));
        }
    }
}

TEST(Dialogs, DriveRootInstallPathIsRefusedAndTheDialogStays) {
    wchar_t windows[MAX_PATH + 1];
    ASSERT_GT(GetSystemWindowsDirectoryW(windows, MAX_PATH + 1), 0u);
    Session s(L"dlg_full.exe", {{L"ORB_T_PATH", std::wstring(windows, 3)}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    Click(init, kInstallBtn);
    EXPECT_TRUE(s.WaitBoxes(1, init));
    EXPECT_TRUE(IsWindowVisible(init));
    PostMessageW(init, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    ASSERT_EQ(1u, s.result_.boxes.size());
    EXPECT_EQ(L"不能安装到磁盘根目录或 Windows 文件夹，请重新选择安装路径！", s.result_.boxes[0].text);
    EXPECT_EQ(std::vector<std::string>{"BeforeInit"}, s.trace);
}

// Boxes suppressed: the refused folder's warning and the exit question are logged, not
// shown, and take their default button (the dialog stays; then the run ends).
TEST(Dialogs, SuppressedBoxesAreLoggedAndTakeTheirDefaultAnswer) {
    wchar_t windows[MAX_PATH + 1];
    ASSERT_GT(GetSystemWindowsDirectoryW(windows, MAX_PATH + 1), 0u);
    Session s(L"dlg_full.exe",
              {{L"ORB_T_PATH", std::wstring(windows, 3)}, {L"ORB_T_SUPPRESS", L"true"}, {L"ORB_T_LANG", L"en-US"}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    Click(init, kInstallBtn);
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(init));
    Click(init, kInitClose);
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    EXPECT_TRUE(s.result_.boxes.empty());
    const int warning = s.result_.FindLine(L"message box suppressed, answered 1: ");
    ASSERT_GE(warning, 0);
    EXPECT_GE(s.result_.FindLine(L"answered 1: Confirm: Are you sure you want to quit the setup?", warning + 1), 0);
    EXPECT_EQ(std::vector<std::string>{"BeforeInit"}, s.trace);
}

// Minimised, the dialog draws no frames (its redraw timer goes on); restored, it draws
// again.
TEST(Dialogs, MinimisedDialogStopsDrawingAndRestoredDrawsAgain) {
    Session s(L"dlg_full.exe", {});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    auto frames = [init] {
        DWORD_PTR n = 0;
        SendMessageTimeoutW(init, ORBUM_FRAMECOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &n);
        return n;
    };
    Sleep(300);
    const DWORD_PTR shown = frames();
    Sleep(300);
    EXPECT_GT(frames(), shown);
    ShowWindow(init, SW_MINIMIZE);
    Sleep(300);
    ASSERT_TRUE(IsIconic(init));
    const DWORD_PTR minimised = frames();
    Sleep(400);
    EXPECT_EQ(minimised, frames());
    ShowWindow(init, SW_RESTORE);
    Sleep(300);
    EXPECT_FALSE(IsIconic(init));
    EXPECT_GT(frames(), minimised);
    PostMessageW(init, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
}

TEST(Dialogs, TrailingBackslashIsRemovedBeforePublication) {
    ScopedTempDir dir(L"dlgpath");
    Session s(L"dlg_full.exe", {{L"ORB_T_PATH", dir.file(L"Programs\\")}, {L"ORB_T_COMPLETE", L"false"}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    Click(init, kInstallBtn);
    s.Finish();
    EXPECT_EQ(1u, s.result_.exitCode);
    EXPECT_TRUE(Has(s.trace, "InstallPath=" + Narrow(dir.file(L"Programs"))));
    EXPECT_TRUE(Has(s.trace, "AfterComplete"));
}

TEST(Dialogs, CloseButtonWithConfirmationEndsWith0) {
    // The first question is declined: the dialog stays.
    Session s(L"dlg_full.exe", {}, {IDCANCEL, IDOK});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    Click(init, kInitClose);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(init));
    Click(init, kInitClose);
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    EXPECT_EQ(std::vector<std::string>{"BeforeInit"}, s.trace);
    ASSERT_EQ(2u, s.result_.boxes.size());
    EXPECT_EQ(L"提醒", s.result_.boxes[0].caption);
    EXPECT_EQ(L"您确定要退出安装程序？", s.result_.boxes[0].text);
}

TEST(Dialogs, HostTextsAndTitleInTheLanguageTheScriptChose) {
    Session s(L"dlg_full.exe", {{L"ORB_T_LANG", L"en-US"}}, {IDOK});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    Sleep(300);
    wchar_t title[64] = {};
    GetWindowTextW(init, title, 64);
    EXPECT_STREQ(L"DlgTest Setup", title);
    Click(init, kInitClose);
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    ASSERT_EQ(1u, s.result_.boxes.size());
    EXPECT_EQ(L"Confirm", s.result_.boxes[0].caption);
    EXPECT_EQ(L"Are you sure you want to quit the setup?", s.result_.boxes[0].text);
}

TEST(Dialogs, ClosingTheDialogUnderTheExitQuestionEndsCleanly) {
    // Alt+F4 while the question is up destroys the tree with the button that asked;
    // nothing may touch that button when the box returns.
    Session s(L"dlg_full.exe", {});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    s.whileBoxUp = [init] {
        PostMessageW(init, WM_CLOSE, 0, 0);
        ORBWaitForWindowGone(init, 5000);
    };
    Click(init, kInitClose);
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    EXPECT_EQ(std::vector<std::string>{"BeforeInit"}, s.trace);
}

TEST(Dialogs, InitialStatesDoubleClicksPlaceholdersAndALayoutWithoutBar) {
    Session s(L"dlg_alt.exe", {{L"ORB_T_COMPLETE", L"false"}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    wchar_t title[64] = {};
    GetWindowTextW(init, title, 64);
    EXPECT_STREQ(L"DlgTest Wizard", title);  // the layout's title, placeholder filled
    // "$global_product_name$" in a label shows the global, drawn like the same text typed in
    // (once the first frame is there: under emulation it comes well after the window).
    EXPECT_GT(WaitForInk(init, 420, 296, 580, 316), 20);
    ORBFrame frame;
    ASSERT_TRUE(ORBCaptureWindow(init, frame));
    int ink = 0, differ = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 420; x < 580; ++x) {
            if (frame.At(x, 296 + y) != frame.At(420, 296)) ++ink;
            if (frame.At(x, 296 + y) != frame.At(x, 316 + y)) ++differ;
        }
    EXPECT_GT(ink, 20);
    EXPECT_EQ(0, differ);
    // checked="false": the install button starts disabled.
    Click(init, kInstallBtn);
    Sleep(800);
    EXPECT_TRUE(IsWindowVisible(init));
    EXPECT_FALSE(s.Traced("BeforeInstall"));
    // Checked by a click, then a fast double click toggles twice: still checked.
    Click(init, kLicenceChk);
    const LPARAM at = MAKELPARAM(kLicenceChk.x, kLicenceChk.y);
    PostMessageW(init, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(init, WM_LBUTTONUP, 0, at);
    PostMessageW(init, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(init, WM_LBUTTONUP, 0, at);
    Sleep(300);
    Click(init, kInstallBtn);
    // No bar to run to 100: the install dialog closes once the hook returned.
    s.Finish();
    EXPECT_EQ(1u, s.result_.exitCode);
    EXPECT_TRUE(Has(s.trace, "LicenceChk=true"));
    EXPECT_TRUE(Has(s.trace, "OnInstall"));
    EXPECT_TRUE(Has(s.trace, "AfterComplete"));
}

TEST(Dialogs, SystemCloseEndsWith0WithoutQuestion) {
    Session s(L"dlg_full.exe", {});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    PostMessageW(init, WM_SYSCOMMAND, SC_CLOSE, 0);  // the taskbar's Close, as Alt+F4
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    EXPECT_EQ(std::vector<std::string>{"BeforeInit"}, s.trace);
    EXPECT_TRUE(s.result_.boxes.empty());
}

TEST(Dialogs, AltF4EndsWith0) {
    Session s(L"dlg_full.exe", {});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    ORBPressKey(init, VK_F4, true);
    s.WaitEnd(5000);
    if (!s.Done()) PostMessageW(init, WM_CLOSE, 0, 0);  // where posted keys reach no system menu
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    EXPECT_EQ(std::vector<std::string>{"BeforeInit"}, s.trace);
}

TEST(Dialogs, ClosingTheFirstDialogIsACancelWithStandardCodes) {
    Session s(L"dlg_full.exe", {{L"ORB_T_CODES", L"standard"}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    PostMessageW(init, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.Finish();
    EXPECT_EQ(1602u, s.result_.exitCode);
    EXPECT_EQ(std::vector<std::string>{"BeforeInit"}, s.trace);
}

// A first dialog that cannot build its skin is a failure, not the user's cancel.
TEST(Dialogs, FirstDialogWithoutItsTreeFailsWithStandardCodes) {
    Session s(L"dlg_notree.exe", {{L"ORB_T_CODES", L"standard"}});
    s.Finish();
    EXPECT_EQ(1603u, s.result_.exitCode);
    EXPECT_TRUE(s.result_.HasLine(L"xm no UI tree for <Dlg name=\"InitDlg\">"));
    EXPECT_EQ(std::vector<std::string>{"BeforeInit"}, s.trace);
}

// Passive: no first and no completion dialog, the install dialog closes by itself; the
// hooks run in the order of the other roads.
TEST(Dialogs, PassiveRunShowsOnlyTheInstallDialog) {
    Session s(L"dlg_full.exe", {{L"ORB_T_PASSIVE", L"true"}, {L"ORB_T_CODES", L"standard"}});
    HWND install = s.NextDialog();
    ASSERT_TRUE(install);
    // Closing is ignored: while the install hook runs and after it.
    PostMessageW(install, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageW(install, WM_CLOSE, 0, 0);
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    EXPECT_TRUE(s.result_.boxes.empty());
    const std::vector<std::string>& t = s.trace;
    int last = -1;
    for (const char* hook : {"BeforeInit", "BeforeInstall", "OnInstall", "BeforeComplete", "AfterComplete"}) {
        int at = IndexOf(t, hook);
        EXPECT_GT(at, last) << hook;
        last = at;
    }
    EXPECT_TRUE(Has(t, "InstallPath=" + Narrow(s.file(L"InstallDir"))));
    EXPECT_TRUE(Has(t, "global_install_progress_pos=100"));
    EXPECT_TRUE(Has(t, "LicenceChk=nil"));  // no first dialog published its boxes
    EXPECT_TRUE(s.result_.HasLine(L"xm node <Dlg name=\"CompleteDlg\"> is hide!"));
    EXPECT_TRUE(s.result_.HasLine(L"xm close request 0 ignored"));
}

TEST(Dialogs, RelativeInstallPathIsRejectedAndTheDialogStays) {
    Session s(L"dlg_full.exe", {{L"ORB_T_PATH", L"Programs\\X"}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    Click(init, kInstallBtn);
    EXPECT_TRUE(s.WaitBoxes(1, init));
    EXPECT_TRUE(IsWindowVisible(init));
    Click(init, kInstallBtn);  // publishes and validates again
    EXPECT_TRUE(s.WaitBoxes(2, init));
    PostMessageW(init, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    ASSERT_EQ(2u, s.result_.boxes.size());
    EXPECT_EQ(L"错误", s.result_.boxes[0].caption);
    EXPECT_EQ(L"安装路径非法，请重新修改！", s.result_.boxes[0].text);
    EXPECT_EQ(std::vector<std::string>{"BeforeInit"}, s.trace);
}

TEST(Dialogs, TypedRelativeBackupPathIsRejected) {
    Session s(L"dlg_full.exe", {});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    Click(init, kBackUpBox);
    ORBTypeText(init, L"rel");
    Sleep(300);
    Click(init, kInstallBtn);
    EXPECT_TRUE(s.WaitBoxes(1, init));
    PostMessageW(init, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    ASSERT_EQ(1u, s.result_.boxes.size());
    EXPECT_EQ(L"备份路径非法，请重新修改！", s.result_.boxes[0].text);
    EXPECT_TRUE(s.result_.HasLine(L"xm backpath = rel"));
}

// A text box pressed keeps the mouse while it is dragged over another control and gives it
// back when released there: the drag selects in the pressed box, the other box stays as it
// was, and the next press hands the mouse to that one.
TEST(Dialogs, MouseHeldInATextBoxStaysWithItAndIsGivenBackOnRelease) {
    ScopedTempDir dir(L"dlgcap");
    const std::wstring path = dir.file(L"Programs");
    Session s(L"dlg_full.exe", {{L"ORB_T_PATH", path}, {L"ORB_T_COMPLETE", L"false"}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    const DWORD thread = GetWindowThreadProcessId(init, nullptr);
    // Everything is posted, so it reaches the dialog in order after the typed characters
    // (a sent message would overtake them); the capture is then awaited, not read at once.
    auto capturedBy = [thread](HWND expected) {
        for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(20)) {
            GUITHREADINFO info = {};
            info.cbSize = sizeof info;
            if (GetGUIThreadInfo(thread, &info) && info.hwndCapture == expected) return true;
        }
        return false;
    };
    auto mouse = [init](UINT msg, WPARAM keys, POINT pt) { PostMessageW(init, msg, keys, MAKELPARAM(pt.x, pt.y)); };
    const POINT pathBoxStart = {26, 311};
    Click(init, kBackUpBox);
    ORBTypeText(init, L"abc");
    mouse(WM_MOUSEMOVE, 0, kBackUpBox);
    mouse(WM_LBUTTONDOWN, MK_LBUTTON, kBackUpBox);  // after "abc"
    EXPECT_TRUE(capturedBy(init));
    mouse(WM_MOUSEMOVE, MK_LBUTTON, pathBoxStart);  // over the path box, left of the text
    mouse(WM_LBUTTONUP, 0, pathBoxStart);
    EXPECT_TRUE(capturedBy(nullptr));
    ORBTypeText(init, L"C:\\bak");  // replaces the selection "abc"
    mouse(WM_MOUSEMOVE, 0, pathBoxStart);
    mouse(WM_LBUTTONDOWN, MK_LBUTTON, pathBoxStart);
    EXPECT_TRUE(capturedBy(init));
    mouse(WM_LBUTTONUP, 0, pathBoxStart);
    EXPECT_TRUE(capturedBy(nullptr));
    Click(init, kInstallBtn);
    s.Finish();
    EXPECT_EQ(1u, s.result_.exitCode);
    EXPECT_TRUE(Has(s.trace, "BackUpPath=C:\\bak"));
    EXPECT_TRUE(Has(s.trace, "InstallPath=" + Narrow(path)));
}

TEST(Dialogs, NotEnoughDiskSpaceShowsTheNeedInMB) {
    Session s(L"dlg_full.exe", {{L"ORB_T_NEED", L"18446744073709551615"}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    Click(init, kInstallBtn);
    EXPECT_TRUE(s.WaitBoxes(1, init));
    EXPECT_TRUE(IsWindowVisible(init));
    PostMessageW(init, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    ASSERT_EQ(1u, s.result_.boxes.size());
    EXPECT_EQ(L"提示", s.result_.boxes[0].caption);
    EXPECT_EQ(L"磁盘剩余可用空间不足,安装程序需要17592186044416.00MB的空间来完成安装！", s.result_.boxes[0].text);
    // Published before the check, and still in place.
    EXPECT_EQ(std::vector<std::string>{"BeforeInit"}, s.trace);
}

TEST(Dialogs, KeyboardTabsToACheckBoxSpaceTogglesEscAsksEnterInstalls) {
    Session s(L"dlg_full.exe", {{L"ORB_T_COMPLETE", L"false"}}, {IDCANCEL});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    auto tab = [init](int n) {
        for (int i = 0; i < n; ++i) ORBPressKey(init, VK_TAB);
    };
    // Close button, two path boxes, install button, licence: the sixth stop is SettingsChk.
    tab(6);
    ORBPressKey(init, VK_SPACE);  // checks it and shows the settings page
    ORBPressKey(init, VK_ESCAPE);
    s.WaitModalBox(init);
    ASSERT_TRUE(IsWindowVisible(init));  // the question was declined
    // On from SettingsChk: option, toggle, close, the shown ExtraChk, BackUpPath, InstallPath.
    tab(6);
    ORBPressKey(init, VK_RETURN);  // a one-line box: the dialog's default, install
    s.Finish();
    EXPECT_EQ(1u, s.result_.exitCode);
    EXPECT_TRUE(Has(s.trace, "BeforeInstall"));
    EXPECT_TRUE(Has(s.trace, "SettingsChk=true"));
    ASSERT_EQ(1u, s.result_.boxes.size());
    EXPECT_EQ(L"您确定要退出安装程序？", s.result_.boxes[0].text);
}

TEST(Dialogs, LicenceCheckBoxEnablesTheInstallButton) {
    Session s(L"dlg_full.exe", {{L"ORB_T_COMPLETE", L"false"}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    Click(init, kLicenceChk);  // unchecked: the install button is disabled
    Click(init, kInstallBtn);
    Sleep(800);
    EXPECT_TRUE(IsWindowVisible(init));
    EXPECT_FALSE(s.Traced("BeforeInstall"));
    Click(init, kLicenceChk);
    Click(init, kInstallBtn);
    s.Finish();
    EXPECT_EQ(1u, s.result_.exitCode);
    EXPECT_TRUE(Has(s.trace, "LicenceChk=true"));
}

TEST(Dialogs, SettingsPageAndOptionTogglesReachThePublishedGlobals) {
    Session s(L"dlg_full.exe", {{L"ORB_T_COMPLETE", L"false"}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    Click(init, kQuickLaunchChk);  // page two hidden: no effect
    Click(init, kExtraChk);        // settings hidden: no effect
    Click(init, kToggleBtn);       // page two shown
    Click(init, kOptionChk);       // options hidden
    Click(init, kQuickLaunchChk);  // no effect
    Click(init, kOptionChk);       // options shown again
    Click(init, kQuickLaunchChk);  // checked
    Click(init, kSettingsChk);     // settings shown
    Click(init, kExtraChk);        // unchecked
    Click(init, kInstallBtn);
    s.Finish();
    EXPECT_EQ(1u, s.result_.exitCode);
    const std::vector<std::string>& t = s.trace;
    EXPECT_TRUE(Has(t, "QuickLaunchChk=true"));
    EXPECT_TRUE(Has(t, "ExtraChk=false"));
    EXPECT_TRUE(Has(t, "SettingsChk=true"));
    EXPECT_TRUE(Has(t, "OptionChk=true"));
    EXPECT_TRUE(s.result_.HasLine(L"xm _NO_Check__________________________"));
    EXPECT_TRUE(s.result_.HasLine(L"xm _Check__________________________"));
}

TEST(Dialogs, SlowWorkerKeepsTheBarAt100AndTheCloseIsIgnored) {
    Session s(L"dlg_full.exe", {{L"ORB_T_WORK", L"slow"}, {L"ORB_T_COMPLETE", L"false"}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    Click(init, kInstallBtn);
    HWND install = s.NextDialog(init);
    ASSERT_TRUE(install);
    // Its label's placeholder is filled and drawn while the hook still runs.
    EXPECT_GT(WaitForInk(install, 20, 390, 580, 412), 20);
    EXPECT_FALSE(s.Traced("pos at end of OnInstall<100=false"));
    PostMessageW(install, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.Finish();
    EXPECT_EQ(1u, s.result_.exitCode);
    const std::vector<std::string>& t = s.trace;
    EXPECT_TRUE(Has(t, "worker saw moves=true monotonic=true last=100 intact=true"));
    EXPECT_TRUE(Has(t, "pos at end of OnInstall<100=false"));
    EXPECT_TRUE(Has(t, "global_install_progress_pos=100"));
    EXPECT_TRUE(Has(t, "AfterComplete"));
    EXPECT_TRUE(s.result_.HasLine(L"xm close request 0 ignored"));
}

TEST(Dialogs, LayoutWithoutCompleteDialogInstallsAndEndsWith0) {
    Session s(L"dlg_nocomplete.exe", {});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    Click(init, kInstallBtn);
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    EXPECT_TRUE(Has(s.trace, "OnInstall"));
    EXPECT_TRUE(Has(s.trace, "BeforeComplete"));
    EXPECT_FALSE(Has(s.trace, "AfterComplete"));
    EXPECT_TRUE(s.result_.HasLine(L"xm node <Dlg name=\"CompleteDlg\"> is empty!"));
}

TEST(Dialogs, LayoutWithoutInitDialogInstallsNothing) {
    Session s(L"dlg_noinit.exe", {});
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    EXPECT_EQ(std::vector<std::string>{"BeforeInit"}, s.trace);
    EXPECT_TRUE(s.result_.HasLine(L"xm node <Dlg name=\"InitDlg\"> is empty!"));
}

TEST(Dialogs, SilentWithCompletionWindowAndUnparsableLayoutEndsBeforeInstalling) {
    Session s(L"dlg_bad.exe", {{L"ORB_T_SILENT", L"true"}, {L"ORB_T_COMPLETE", L"true"}});
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    EXPECT_EQ(std::vector<std::string>{"BeforeInit"}, s.trace);
    EXPECT_TRUE(s.result_.HasLine(L"xm Load_buffer failed, "));
}

TEST(Dialogs, ScreenReaderInAnotherProcessReadsAndWorksTheInitDialog) {
    Session s(L"dlg_full.exe", {{L"ORB_T_COMPLETE", L"false"}});
    HWND init = s.NextDialog();
    ASSERT_TRUE(init);
    ORBComScope com;
    ORBComPtr<IAccessible> acc;
    ASSERT_EQ(S_OK, AccessibleObjectFromWindow(init, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                               acc.put_void()));
    long count = 0;
    EXPECT_EQ(S_OK, acc->get_accChildCount(&count));
    auto child = [](LONG id) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = id;
        return v;
    };
    auto state = [&](LONG id) {
        VARIANT v;
        VariantInit(&v);
        return acc->get_accState(child(id), &v) == S_OK ? v.lVal : -1;
    };
    LONG licence = 0, install = 0;
    for (LONG id = 1; id <= count; ++id) {
        BSTR name = nullptr;
        if (acc->get_accName(child(id), &name) == S_OK && name) {
            if (wcsncmp(name, L"agree ", 6) == 0) licence = id;
            if (wcscmp(name, L"InstallBtn") == 0) install = id;  // image only: its layout name
        }
        SysFreeString(name);
    }
    ASSERT_NE(0, licence);
    ASSERT_NE(0, install);
    VARIANT role;
    VariantInit(&role);
    EXPECT_EQ(S_OK, acc->get_accRole(child(licence), &role));
    EXPECT_EQ(ROLE_SYSTEM_CHECKBUTTON, role.lVal);
    EXPECT_TRUE(state(licence) & STATE_SYSTEM_CHECKED);
    EXPECT_FALSE(state(install) & STATE_SYSTEM_UNAVAILABLE);
    // As a click: unchecked, and the dialog's own reaction disables the install button.
    EXPECT_EQ(S_OK, acc->accDoDefaultAction(child(licence)));
    EXPECT_FALSE(state(licence) & STATE_SYSTEM_CHECKED);
    EXPECT_TRUE(state(install) & STATE_SYSTEM_UNAVAILABLE);
    PostMessageW(init, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.Finish();
    EXPECT_EQ(0u, s.result_.exitCode);
    // The reader's object outlives the dialog and says so.
    EXPECT_TRUE(FAILED(acc->get_accChildCount(&count)));
}
