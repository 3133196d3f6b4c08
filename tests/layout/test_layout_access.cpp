// Screen readers: the accessible tree of a layout read back through oleacc, as a screen
// reader in this process would read it.
#include <oleacc.h>

#include <utility>

#include "orbaccessible.h"
#include "orbcontrols.h"
#include "orbdpi.h"
#include "orbfocus.h"
#include "orbplaceholder.h"
#include "orbtestutil.h"
#include "orbtextbox.h"
#include "orbuitestutil.h"

using namespace ORBUE;

namespace {

const wchar_t kLayout[] =
    L"<ORBCalendar><Dlg name=\"T\" width=\"200\" height=\"150\">"
    L"<Container name=\"Dlg\" rect=\"0,0,200,150\" resId=\"401\" type=\"PNG\">"
    L"<Button name=\"CloseBtn\" rect=\"170,5,190,25\" resId=\"402\" type=\"PNG\" action=\"100\" accname=\"Close $who$\"/>"
    L"<Button name=\"ImageOnly\" rect=\"150,5,168,25\" resId=\"402\" type=\"PNG\" action=\"101\"/>"
    L"<Label name=\"Lbl\" rect=\"5,5,50,20\" color=\"1,2,3\" size=\"9\">Hello $who$</Label>"
    L"<LinkLabel name=\"Lnk\" rect=\"5,25,50,40\" color=\"0,0,255\" action=\"104\">Licence</LinkLabel>"
    L"<CheckBox name=\"Chk\" rect=\"10,40,90,56\" resId=\"403\" type=\"PNG\" rectChk=\"10,40,26,56\" "
    L"rectLbl=\"27,40,90,56\" color=\"1,2,3\" checked=\"1\" action=\"103\">I agree</CheckBox>"
    L"<TextBox name=\"Path\" rect=\"10,60,130,90\" clrect=\"12,62,128,88\" resId=\"404\" type=\"PNG\" "
    L"color=\"0,0,0\">C:\\Program Files</TextBox>"
    L"<Container name=\"Hidden\" rect=\"0,0,200,150\" visible=\"false\">"
    L"<Button name=\"Later\" rect=\"10,95,60,110\" resId=\"402\" type=\"PNG\" action=\"102\">Later</Button></Container>"
    L"<Button name=\"Off\" rect=\"70,95,120,110\" resId=\"402\" type=\"PNG\" action=\"105\" enable=\"false\">Off</Button>"
    L"<Progress name=\"Prog\" rect=\"10,120,110,130\" resId=\"405\" type=\"PNG\">"
    L"<Front rect=\"10,120,110,130\" spl=\"3\" spr=\"3\" resId=\"406\" type=\"PNG\"/></Progress>"
    L"<Picture name=\"Pic\" rect=\"140,40,180,70\" resId=\"407\" type=\"PNG\"/>"
    L"</Container></Dlg></ORBCalendar>";

// Child numbers in layout order.
enum : LONG { kClose = 1, kImageOnly, kLabel, kLink, kCheck, kPath, kLater, kOff, kProgress, kCount = kProgress };

// A window that hosts the tree as a dialog does: it answers WM_GETOBJECT and records the
// action notifications.
class AccessibleOwner {
public:
    AccessibleOwner() {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"OrbAccessibleTestOwner";
        RegisterClassExW(&wc);
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"Demo Setup", WS_POPUP, 100, 80, 200, 150, nullptr,
                                nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        EXPECT_TRUE(ParseLayout(doc_, kLayout));
        root_ = tree_.Build(hwnd_, DialogRoot(FindDialog(doc_, L"T")));
        FillPlaceholders(root_, [](const std::wstring& name) { return name == L"who" ? L"Ann" : L""; });
    }
    ~AccessibleOwner() {
        tree_.Reset();
        DestroyWindow(hwnd_);
    }
    HWND hwnd() const { return hwnd_; }
    // The dialog deletes its objects; its window stays for a moment.
    void DestroyTree() { tree_.Reset(); }
    ContainerUIObjectImpl* root() const { return root_; }
    UINT lastAction = 0;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
        if (msg == WM_GETOBJECT) {
            bool handled = false;
            LRESULT r = AnswerGetObject(h, w, l, &handled);
            if (handled) return r;
        }
        auto* self = reinterpret_cast<AccessibleOwner*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        auto* sender = reinterpret_cast<IORBBaseUIObject*>(l);
        if (self && msg == ORBUM_SETFOCUS) {  // one focus object, as in the dialogs
            IORBBaseUIObject* old = std::exchange(self->focus_, sender);
            if (old && old != sender) old->ReleaseFocus();
        }
        if (self && msg == ORBUM_KILLFOCUS && sender == self->focus_) self->focus_ = nullptr;
        if (self && msg > WM_USER && msg < WM_USER + 1000) self->lastAction = msg - WM_USER;
        return DefWindowProcW(h, msg, w, l);
    }
    HWND hwnd_;
    pugi::xml_document doc_;
    UITree tree_;
    ContainerUIObjectImpl* root_ = nullptr;
    IORBBaseUIObject* focus_ = nullptr;
};

VARIANT Child(LONG id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

ORBComPtr<IAccessible> ReadTree(HWND hwnd) {
    ORBComPtr<IAccessible> acc;
    EXPECT_EQ(S_OK, AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                               acc.put_void()));
    return acc;
}

std::wstring Take(BSTR s) {
    std::wstring out = s ? std::wstring(s, SysStringLen(s)) : L"<none>";
    SysFreeString(s);
    return out;
}
std::wstring Name(IAccessible* acc, LONG id) {
    BSTR s = nullptr;
    acc->get_accName(Child(id), &s);
    return Take(s);
}
std::wstring Value(IAccessible* acc, LONG id) {
    BSTR s = nullptr;
    acc->get_accValue(Child(id), &s);
    return Take(s);
}
LONG Role(IAccessible* acc, LONG id) {
    VARIANT v;
    VariantInit(&v);
    return acc->get_accRole(Child(id), &v) == S_OK && v.vt == VT_I4 ? v.lVal : -1;
}
LONG State(IAccessible* acc, LONG id) {
    VARIANT v;
    VariantInit(&v);
    return acc->get_accState(Child(id), &v) == S_OK && v.vt == VT_I4 ? v.lVal : -1;
}

void PumpMessages(int rounds) {
    for (int i = 0; i < rounds; ++i) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        Sleep(10);
    }
}

struct WinEvent {
    DWORD event;
    HWND hwnd;
    LONG object;
    LONG child;
};
std::vector<WinEvent> g_events;
void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    g_events.push_back({event, hwnd, object, child});
}
bool Received(DWORD event, HWND hwnd, LONG child) {
    for (const WinEvent& e : g_events)
        if (e.event == event && e.hwnd == hwnd && e.object == OBJID_CLIENT && e.child == child) return true;
    return false;
}

}  // namespace

TEST(Accessible, TreeReadBackWithNamesRolesStatesAndValues) {
    AccessibleOwner owner;
    ASSERT_TRUE(owner.root());
    ORBComPtr<IAccessible> acc = ReadTree(owner.hwnd());
    ASSERT_TRUE(acc);

    long count = 0;
    EXPECT_EQ(S_OK, acc->get_accChildCount(&count));
    EXPECT_EQ(kCount, count);  // the picture is artwork, not a control
    EXPECT_EQ(L"Demo Setup", Name(acc.get(), CHILDID_SELF));

    // Names: accname, else the text (placeholders filled), else the layout name.
    EXPECT_EQ(L"Close Ann", Name(acc.get(), kClose));
    EXPECT_EQ(L"ImageOnly", Name(acc.get(), kImageOnly));
    EXPECT_EQ(L"Hello Ann", Name(acc.get(), kLabel));
    EXPECT_EQ(L"Licence", Name(acc.get(), kLink));
    EXPECT_EQ(L"I agree", Name(acc.get(), kCheck));
    EXPECT_EQ(L"Path", Name(acc.get(), kPath));

    const LONG roles[kCount] = {ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_STATICTEXT,
                                ROLE_SYSTEM_LINK, ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_TEXT,
                                ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_PROGRESSBAR};
    for (LONG id = 1; id <= kCount; ++id) EXPECT_EQ(roles[id - 1], Role(acc.get(), id)) << id;

    EXPECT_TRUE(State(acc.get(), kCheck) & STATE_SYSTEM_CHECKED);
    EXPECT_TRUE(State(acc.get(), kClose) & STATE_SYSTEM_FOCUSABLE);
    EXPECT_FALSE(State(acc.get(), kLabel) & STATE_SYSTEM_FOCUSABLE);
    const LONG later = State(acc.get(), kLater);  // inside a hidden container
    EXPECT_TRUE(later & STATE_SYSTEM_INVISIBLE);
    EXPECT_FALSE(later & STATE_SYSTEM_FOCUSABLE);
    EXPECT_TRUE(State(acc.get(), kOff) & STATE_SYSTEM_UNAVAILABLE);

    EXPECT_EQ(L"C:\\Program Files", Value(acc.get(), kPath));
    EXPECT_EQ(L"0%", Value(acc.get(), kProgress));
    auto* progress = dynamic_cast<ProgressUIObjectImpl*>(owner.root()->FindControl(L"Prog"));
    ASSERT_TRUE(progress);
    for (int i = 0; i < 42; ++i) progress->Step();
    EXPECT_EQ(L"42%", Value(acc.get(), kProgress));
    auto* box = dynamic_cast<TextBoxUIObjectImpl*>(owner.root()->FindControl(L"Path"));
    ASSERT_TRUE(box);
    box->SetText(L"D:\\Apps");
    EXPECT_EQ(L"D:\\Apps", Value(acc.get(), kPath));

    // Places in screen pixels (the window's client area starts at 100,80); hits find the
    // control on top.
    long x = 0, y = 0, w = 0, h = 0;
    EXPECT_EQ(S_OK, acc->accLocation(&x, &y, &w, &h, Child(kCheck)));
    EXPECT_EQ(110, x);
    EXPECT_EQ(120, y);
    EXPECT_EQ(80, w);
    EXPECT_EQ(16, h);
    VARIANT hit;
    VariantInit(&hit);
    EXPECT_EQ(S_OK, acc->accHitTest(100 + 50, 80 + 48, &hit));
    EXPECT_EQ(VT_I4, hit.vt);
    EXPECT_EQ(kCheck, hit.lVal);
    EXPECT_EQ(S_OK, acc->accHitTest(100 + 195, 80 + 145, &hit));
    EXPECT_EQ(CHILDID_SELF, hit.lVal);
    EXPECT_EQ(S_FALSE, acc->accHitTest(10, 10, &hit));
    // At 200 % the places and hits follow the drawing.
    ASSERT_TRUE(SetWindowScale(owner.hwnd(), 2.0f));
    EXPECT_EQ(S_OK, acc->accLocation(&x, &y, &w, &h, Child(kCheck)));
    EXPECT_EQ(120, x);
    EXPECT_EQ(160, y);
    EXPECT_EQ(160, w);
    EXPECT_EQ(32, h);
    EXPECT_EQ(S_OK, acc->accHitTest(100 + 100, 80 + 96, &hit));
    EXPECT_EQ(kCheck, hit.lVal);
    SetWindowScale(owner.hwnd(), 1.0f);

    // Navigation skips what is hidden; simple elements are no objects of their own.
    VARIANT next;
    VariantInit(&next);
    EXPECT_EQ(S_OK, acc->accNavigate(NAVDIR_NEXT, Child(kPath), &next));
    EXPECT_EQ(kOff, next.lVal);
    EXPECT_EQ(S_OK, acc->accNavigate(NAVDIR_LASTCHILD, Child(CHILDID_SELF), &next));
    EXPECT_EQ(kProgress, next.lVal);
    IDispatch* child = nullptr;
    EXPECT_EQ(S_FALSE, acc->get_accChild(Child(kCheck), &child));
    EXPECT_EQ(nullptr, child);
    EXPECT_EQ(E_INVALIDARG, acc->get_accChild(Child(kCount + 1), &child));
}

TEST(Accessible, DefaultActionFocusAndEvents) {
    AccessibleOwner owner;
    ASSERT_TRUE(owner.root());
    ORBComPtr<IAccessible> acc = ReadTree(owner.hwnd());
    ASSERT_TRUE(acc);
    g_events.clear();
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, OnWinEvent,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);

    // The default action is a click: the check box toggles and its action reaches the owner.
    BSTR action = nullptr;
    EXPECT_EQ(S_OK, acc->get_accDefaultAction(Child(kCheck), &action));
    EXPECT_EQ(L"Uncheck", Take(action));
    EXPECT_EQ(S_OK, acc->accDoDefaultAction(Child(kCheck)));
    EXPECT_FALSE(State(acc.get(), kCheck) & STATE_SYSTEM_CHECKED);
    EXPECT_EQ(103u, owner.lastAction);
    // Neither a label nor a disabled button can be worked.
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, acc->accDoDefaultAction(Child(kLabel)));
    owner.lastAction = 0;
    EXPECT_TRUE(FAILED(acc->accDoDefaultAction(Child(kOff))));
    EXPECT_EQ(0u, owner.lastAction);

    // Tab as the dialog does it: the next control in layout order takes the focus.
    IORBBaseUIObject* first = NextFocus(owner.root(), nullptr, false);
    ASSERT_TRUE(first);
    first->RequestFocus();
    IORBBaseUIObject* second = NextFocus(owner.root(), first, false);
    ASSERT_TRUE(second);
    second->RequestFocus();
    EXPECT_EQ(L"ImageOnly", second->GetName());
    EXPECT_TRUE(State(acc.get(), kImageOnly) & STATE_SYSTEM_FOCUSED);
    EXPECT_FALSE(State(acc.get(), kClose) & STATE_SYSTEM_FOCUSED);
    VARIANT focus;
    VariantInit(&focus);
    EXPECT_EQ(S_OK, acc->get_accFocus(&focus));
    EXPECT_EQ(VT_I4, focus.vt);
    EXPECT_EQ(kImageOnly, focus.lVal);

    auto* progress = dynamic_cast<ProgressUIObjectImpl*>(owner.root()->FindControl(L"Prog"));
    ASSERT_TRUE(progress);
    progress->Step();
    for (int i = 0; i < 200 && !Received(EVENT_OBJECT_FOCUS, owner.hwnd(), kImageOnly); ++i) PumpMessages(1);
    PumpMessages(5);
    UnhookWinEvent(hook);
    EXPECT_TRUE(Received(EVENT_OBJECT_FOCUS, owner.hwnd(), kImageOnly));
    EXPECT_TRUE(Received(EVENT_OBJECT_STATECHANGE, owner.hwnd(), kCheck));
    EXPECT_TRUE(Received(EVENT_OBJECT_VALUECHANGE, owner.hwnd(), kProgress));
}

TEST(Accessible, HeldObjectIsSafeAfterTheDialogIsGone) {
    ORBComPtr<IAccessible> acc;
    HWND hwnd = nullptr;
    {
        AccessibleOwner owner;
        hwnd = owner.hwnd();
        acc = ReadTree(hwnd);
        ASSERT_TRUE(acc);
        owner.DestroyTree();  // the controls go first
        long count = -1;
        EXPECT_EQ(CO_E_OBJNOTCONNECTED, acc->get_accChildCount(&count));
        EXPECT_EQ(CO_E_OBJNOTCONNECTED, acc->accDoDefaultAction(Child(kCheck)));
    }
    BSTR name = nullptr;
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, acc->get_accName(Child(kClose), &name));
    EXPECT_EQ(nullptr, name);
    // A window without a tree leaves the question to the system.
    bool handled = true;
    EXPECT_EQ(0, AnswerGetObject(hwnd, 0, static_cast<LPARAM>(OBJID_CLIENT), &handled));
    EXPECT_FALSE(handled);
}
