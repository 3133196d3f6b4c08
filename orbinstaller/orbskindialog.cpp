#include "orbskindialog.h"

#include "orbappmodule.h"
#include "orbcontrols.h"
#include "orbhosttext.h"
#include "orblog.h"
#include "orbscriptengine.h"
#include "orbplaceholder.h"
#include "orbstring.h"
#include "orbuiframe.h"
#include "orbuiobjectmanager.h"

using namespace ORBUE;

namespace {

constexpr UINT kWmSysTimer = 0x0118;  // the system caret-blink timer

IORBBaseUIObject* Sender(LPARAM lParam) { return reinterpret_cast<IORBBaseUIObject*>(lParam); }

}  // namespace

ORBSkinDialog::ORBSkinDialog(const pugi::xml_node& dlg, Kind kind) : dlg_(dlg), kind_(kind) {}

ORBSkinDialog::~ORBSkinDialog() {
    if (bigIcon_) DestroyIcon(bigIcon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
}

bool ORBSkinDialog::CreateAndShow() {
    if (!Create(nullptr, ORB_IDD_DIALOG)) return false;
    if (hwnd_) ShowWindow(hwnd_, SW_SHOWNORMAL);
    return true;
}

BOOL ORBSkinDialog::PreTranslateMessage(MSG* msg) {
    if (msg->message >= WM_KEYFIRST && msg->message <= 0x0109) return FALSE;
    if (msg->message == kWmSysTimer) {
        PostMessageW(hwnd_, ORBUM_CARETTICK, 0, 0);
        return FALSE;
    }
    return hwnd_ && IsDialogMessageW(hwnd_, msg);
}

bool ORBSkinDialog::IsFocusMessage(UINT msg) const {
    if ((msg >= WM_KEYFIRST && msg <= 0x0109) || msg == ORBUM_CARETTICK) return true;
    if (kind_ != kInitKind) return false;
    return (msg >= 0x010A && msg <= 0x010F) || msg == WM_INPUTLANGCHANGEREQUEST ||
           msg == WM_INPUTLANGCHANGE || msg == WM_IME_SETCONTEXT || msg == WM_IME_NOTIFY;
}

BOOL ORBSkinDialog::RouteMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    IORBBaseUIObject* target = nullptr;
    if (capture_ && msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST)
        target = capture_;
    else if (focus_ && IsFocusMessage(msg))
        target = focus_;
    if (!target || !target->ProcessMessage(msg, wParam, lParam)) return FALSE;
    result = 0;
    return TRUE;
}

bool ORBSkinDialog::InsideRoot(LPARAM lParam) const {
    if (!root_) return false;
    RECT rc;
    root_->GetRect(&rc);
    return PtInRect(&rc, ORBPointFromLParam(lParam)) != FALSE;
}

LRESULT ORBSkinDialog::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    HINSTANCE instance = g_orbModule.GetInstance() ? g_orbModule.GetInstance() : GetModuleHandleW(nullptr);
    bigIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ORB_IDI_ICON), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    smallIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ORB_IDI_ICON), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

    if (ORBMessageLoop* loop = g_orbModule.GetMessageLoop()) loop->AddMessageFilter(this);

    LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME));

    const int width = dlg_.attribute(L"width").as_int(400);
    const int height = dlg_.attribute(L"height").as_int(300);
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // The taskbar's text: the layout's own title, else the product name and the suffix.
    ORBScriptEngine* engine = ORBScriptEngine::GetInstance();
    const PlaceholderLookup fromGlobals = [engine](const std::wstring& name) {
        return engine->GetGlobalString(ORBWideToAnsi(name.c_str()).c_str());
    };
    std::wstring title = dlg_.attribute(L"title")
                             ? FillPlaceholder(dlg_.attribute(L"title").value(), fromGlobals)
                             : engine->GetGlobalString("global_product_name") + ORBHostText(ORBText::kTitleSuffix);
    SetWindowTextW(hwnd_, title.c_str());

    // Centred on the work area of the nearest monitor, kept inside it.
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    RECT wr;
    if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &mi) && GetWindowRect(hwnd_, &wr)) {
        const RECT& work = mi.rcWork;
        const int w = wr.right - wr.left, h = wr.bottom - wr.top;
        int x = work.left + (work.right - work.left - w) / 2;
        int y = work.top + (work.bottom - work.top - h) / 2;
        if (x + w > work.right) x = work.right - w;
        if (y + h > work.bottom) y = work.bottom - h;
        if (x < work.left) x = work.left;
        if (y < work.top) y = work.top;
        SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // A tree that cannot be built ends the dialog with code 0: a skin without its
    // objects offers the user nothing to press.
    IORBBaseUIObject* root = nullptr;
    try {
        root = UIObjectManager::GetInstance()->CreateFromXml(hwnd_, dlg_.child(L"Container"));
    } catch (HRESULT hr) {
        ORBLog(L"CreateFromXml failed, hr = 0x%08X\r\n", static_cast<unsigned>(hr));
        root = nullptr;
    }
    root_ = dynamic_cast<ContainerUIObjectImpl*>(root);
    if (!root_) {
        ORBLog(L"no UI tree for <Dlg name=\"%s\">\r\n", dlg_.attribute(L"name").value());
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        return TRUE;
    }
    treeBuilt_ = true;

    OnStart();
    // What the dialog did not fill itself: "$name$" in any text shows the script global.
    FillPlaceholders(root_, fromGlobals);
    Draw();
    SetTimer(hwnd_, REPAINT_TIMER, REPAINT_PERIOD_MS, nullptr);
    return TRUE;
}

LRESULT ORBSkinDialog::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    // Enter and Esc do nothing.
    const WORD id = LOWORD(wParam);
    if (id != IDOK && id != IDCANCEL) handled = FALSE;
    return 0;
}

LRESULT ORBSkinDialog::OnClose(UINT, WPARAM wParam, LPARAM, BOOL&) {
    Close(static_cast<int>(wParam));
    return 0;
}

LRESULT ORBSkinDialog::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
    if (ORBMessageLoop* loop = g_orbModule.GetMessageLoop()) loop->RemoveMessageFilter(this);
    handled = FALSE;
    return 0;
}

void ORBSkinDialog::Close(int code) {
    OnClosing();
    capture_ = nullptr;
    focus_ = nullptr;
    root_ = nullptr;
    animations_.clear();
    HWND hwnd = hwnd_;
    if (hwnd) ::DestroyWindow(hwnd);
    PostQuitMessage(code);
    if (hwnd) UIObjectManager::GetInstance()->DestroyTree(hwnd);
}

void ORBSkinDialog::Draw() {
    if (root_ && hwnd_) ComposeFrame(hwnd_, root_);
}

LRESULT ORBSkinDialog::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL&) {
    const UINT_PTR id = wParam;
    if (id == REPAINT_TIMER) {
        if (!IsIconic(hwnd_)) Draw();
        return 0;
    }
    auto it = animations_.find(id);
    if (it != animations_.end()) {
        it->second->OnTimer(static_cast<UINT>(id - ANIMATION_TIMER_BASE));
        return 0;
    }
    OnOwnTimer(id);
    return 0;
}

LRESULT ORBSkinDialog::OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
    TRACKMOUSEEVENT tme = {sizeof tme, TME_HOVER | TME_LEAVE, hwnd_, HOVER_DEFAULT};
    TrackMouseEvent(&tme);
    if (!root_) return 0;
    BOOL handled = FALSE;
    if (InsideRoot(lParam))
        root_->OnMouseMove(msg, wParam, lParam, &handled);
    else
        root_->OnMouseLeave(msg, wParam, lParam, &handled);
    return 0;
}

LRESULT ORBSkinDialog::OnMouseButton(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (!InsideRoot(lParam)) return 0;
    BOOL handled = FALSE;
    // The root may close the dialog from inside (an action), so keep it in a local.
    ContainerUIObjectImpl* root = root_;
    // The window class keeps CS_DBLCLKS: the second press of a fast double click arrives
    // as a double click and is a press like the first.
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK)
        root->OnLButtonDown(WM_LBUTTONDOWN, wParam, lParam, &handled);
    else if (msg == WM_LBUTTONUP)
        root->OnLButtonUp(msg, wParam, lParam, &handled);
    else
        root->OnMouseHover(msg, wParam, lParam, &handled);
    return 0;
}

LRESULT ORBSkinDialog::OnMouseLeave(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
    BOOL handled = FALSE;
    if (root_) root_->OnMouseLeave(msg, wParam, lParam, &handled);
    return 0;
}

LRESULT ORBSkinDialog::OnSetCursor(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
    POINT pt = {};
    GetCursorPos(&pt);
    ScreenToClient(hwnd_, &pt);
    BOOL handled = FALSE;
    if (capture_) {
        capture_->OnSetCursor(msg, wParam, lParam, &handled, pt.x, pt.y);
    } else if (root_) {
        RECT rc;
        root_->GetRect(&rc);
        if (PtInRect(&rc, pt)) root_->OnSetCursor(msg, wParam, lParam, &handled, pt.x, pt.y);
    }
    if (!handled) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    return 0;
}

LRESULT ORBSkinDialog::OnSetCapture(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (kind_ == kInitKind) SetCapture(hwnd_);
    IORBBaseUIObject* sender = Sender(lParam);
    if (capture_ && capture_ != sender) {
        BOOL handled = FALSE;
        capture_->OnCaptureLost(msg, wParam, lParam, &handled);
    }
    capture_ = sender;
    return 0;
}

LRESULT ORBSkinDialog::OnReleaseCapture(UINT, WPARAM, LPARAM lParam, BOOL&) {
    if (Sender(lParam) == capture_) capture_ = nullptr;
    if (kind_ == kInitKind) ReleaseCapture();
    return 0;
}

LRESULT ORBSkinDialog::OnSetFocusObject(UINT, WPARAM, LPARAM lParam, BOOL&) {
    IORBBaseUIObject* sender = Sender(lParam);
    if (focus_ && focus_ != sender) focus_->ReleaseFocus();  // may come back as ORBUM_KILLFOCUS
    focus_ = sender;
    return 0;
}

LRESULT ORBSkinDialog::OnKillFocusObject(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
    IORBBaseUIObject* sender = Sender(lParam);
    if (sender != focus_) return 0;
    focus_ = nullptr;
    if (kind_ == kInitKind) {
        BOOL handled = FALSE;
        sender->OnCaptureLost(msg, wParam, lParam, &handled);
    }
    return 0;
}

LRESULT ORBSkinDialog::OnSetAnimationTimer(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    if (kind_ == kCompleteKind) {
        handled = FALSE;
        return 0;
    }
    const UINT_PTR id = ANIMATION_TIMER_BASE + LOWORD(wParam);
    SetTimer(hwnd_, id, HIWORD(wParam), nullptr);
    animations_.emplace(id, reinterpret_cast<IORBBaseAnimationObject*>(lParam));
    if (kind_ == kInstallKind) ORBLog(L"ORBInstallDlg::OnORBUMSetAnimationTimer %d", static_cast<int>(id));
    return 0;
}

LRESULT ORBSkinDialog::OnKillAnimationTimer(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    if (kind_ == kCompleteKind) {
        handled = FALSE;
        return 0;
    }
    const UINT_PTR id = ANIMATION_TIMER_BASE + wParam;
    auto it = animations_.find(id);
    if (it != animations_.end() && it->second == reinterpret_cast<IORBBaseAnimationObject*>(lParam)) {
        animations_.erase(it);
        KillTimer(hwnd_, id);
        if (kind_ == kInstallKind) ORBLog(L"ORBInstallDlg::OnORBUMKillAnimationTimer %d", static_cast<int>(id));
    }
    return 0;
}

void ORBSkinDialog::PublishCheckBoxes() {
    if (!root_) return;
    ORBScriptEngine* engine = ORBScriptEngine::GetInstance();
    for (CheckBoxUIObjectImpl* box : root_->FindControlsByType<CheckBoxUIObjectImpl>())
        engine->SetGlobalBoolean(ORBWideToAnsi(box->GetName().c_str()).c_str(), box->IsChecked());
}

ORBUE::ContainerUIObjectImpl* ORBSkinDialog::FindContainerIn(ContainerUIObjectImpl* parent, const wchar_t* name) {
    return parent ? parent->FindContainer(name) : nullptr;
}
