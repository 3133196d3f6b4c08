#include "orbaccessible.h"

#include <oleacc.h>

#include <new>

#include "orbcontainer.h"
#include "orbdpi.h"
#include "orbfocus.h"
#include "orblibrary.h"
#include "orbuiobjectmanager.h"

namespace ORBUE {

namespace {

// One exposed control and whether it shows (its own flag and every container's above it).
struct Entry {
    IORBBaseUIObject* object;
    bool shown;
};

void Collect(const ContainerUIObjectImpl* c, bool shown, std::vector<Entry>& out) {
    shown = shown && c->IsVisible();
    for (IORBBaseUIObject* child : c->children()) {
        if (const ContainerUIObjectImpl* inner = child->AsContainer())
            Collect(inner, shown, out);
        else if (child->AccessibleRole() != 0)
            out.push_back({child, shown && child->IsVisible()});
    }
}

std::vector<Entry> Entries(const ContainerUIObjectImpl* root) {
    std::vector<Entry> out;
    if (root) Collect(root, true, out);
    return out;
}

const ContainerUIObjectImpl* RecordedRoot(HWND owner) {
    return owner ? UIObjectManager::GetInstance()->GetRoot(owner) : nullptr;
}

LONG StateOf(const Entry& e) {
    const IORBBaseUIObject* o = e.object;
    LONG s = o->AccessibleState();
    if (!e.shown) s |= STATE_SYSTEM_INVISIBLE;
    if (!o->IsEnabled()) s |= STATE_SYSTEM_UNAVAILABLE;
    if (e.shown && TakesFocus(o)) s |= STATE_SYSTEM_FOCUSABLE;
    if (o->HasFocus()) s |= STATE_SYSTEM_FOCUSED;
    return s;
}

HRESULT ReturnString(const std::wstring& text, BSTR* out) {
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnChild(LONG id, VARIANT* out) {
    out->vt = VT_I4;
    out->lVal = id;
    return S_OK;
}

HRESULT ReturnNothing(VARIANT* out) {
    out->vt = VT_EMPTY;
    return S_FALSE;
}

// Runs a method body; no C++ exception leaves through COM.
template <class F>
HRESULT Guarded(F&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// The client area of one window. Holds the window handle only: every call finds the
// tree again, so the object stays safe (and answers "not connected") once the dialog
// and its controls are gone.
class AccessibleClient final : public IAccessible {
public:
    explicit AccessibleClient(HWND owner) : owner_(owner) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    // IDispatch: no type information; clients call the vtable.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        return Guarded([&]() -> HRESULT {
            HRESULT hr = Connect(nullptr);
            if (FAILED(hr)) return hr;
            using CreateFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
            auto create = ORBSystemFunction<CreateFn>(L"oleacc.dll", "CreateStdAccessibleObject");
            if (!create) return S_FALSE;
            return create(owner_, OBJID_WINDOW, IID_IDispatch, reinterpret_cast<void**>(parent));
        });
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return Guarded([&]() -> HRESULT {
            std::vector<Entry> entries;
            HRESULT hr = Connect(&entries);
            if (SUCCEEDED(hr)) *count = static_cast<long>(entries.size());
            return hr;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        return Guarded([&]() -> HRESULT {
            Entry e;
            HRESULT hr = Find(child, &e);
            if (hr != S_OK) return hr == S_FALSE ? E_INVALIDARG : hr;  // the window is not its own child
            return S_FALSE;  // the controls are simple elements
        });
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        return Guarded([&]() -> HRESULT {
            Entry e;
            HRESULT hr = Find(child, &e);
            if (FAILED(hr)) return hr;
            if (hr == S_OK) return ReturnString(AccessibleName(e.object), name);
            std::wstring title(static_cast<size_t>(GetWindowTextLengthW(owner_)) + 1, L'\0');
            title.resize(static_cast<size_t>(GetWindowTextW(owner_, &title[0], static_cast<int>(title.size()))));
            return ReturnString(title, name);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (!value) return E_POINTER;
        *value = nullptr;
        return Guarded([&]() -> HRESULT {
            Entry e;
            HRESULT hr = Find(child, &e);
            if (hr != S_OK) return hr;
            std::wstring text;
            return e.object->AccessibleValue(&text) ? ReturnString(text, value) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override { return NoText(child, out); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override { return NoText(child, out); }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override { return NoText(child, out); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        if (topic) *topic = -1;
        return NoText(child, file);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        VariantInit(role);
        return Guarded([&]() -> HRESULT {
            Entry e;
            HRESULT hr = Find(child, &e);
            if (FAILED(hr)) return hr;
            return ReturnChild(hr == S_OK ? e.object->AccessibleRole() : ROLE_SYSTEM_DIALOG, role);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!state) return E_POINTER;
        VariantInit(state);
        return Guarded([&]() -> HRESULT {
            Entry e;
            HRESULT hr = Find(child, &e);
            if (FAILED(hr)) return hr;
            if (hr == S_OK) return ReturnChild(StateOf(e), state);
            LONG s = STATE_SYSTEM_FOCUSABLE;
            if (!IsWindowVisible(owner_)) s |= STATE_SYSTEM_INVISIBLE;
            if (GetFocus() == owner_) s |= STATE_SYSTEM_FOCUSED;
            return ReturnChild(s, state);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        VariantInit(focus);
        return Guarded([&]() -> HRESULT {
            std::vector<Entry> entries;
            HRESULT hr = Connect(&entries);
            if (FAILED(hr)) return hr;
            for (size_t i = 0; i < entries.size(); ++i)
                if (entries[i].shown && entries[i].object->HasFocus()) return ReturnChild(static_cast<LONG>(i + 1), focus);
            return GetFocus() == owner_ ? ReturnChild(CHILDID_SELF, focus) : ReturnNothing(focus);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        VariantInit(selection);
        return Guarded([&]() -> HRESULT {
            HRESULT hr = Connect(nullptr);
            return FAILED(hr) ? hr : ReturnNothing(selection);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!action) return E_POINTER;
        *action = nullptr;
        return Guarded([&]() -> HRESULT {
            Entry e;
            HRESULT hr = Find(child, &e);
            if (hr != S_OK) return hr;
            const wchar_t* text = e.object->AccessibleAction();
            return text ? ReturnString(text, action) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return Guarded([&]() -> HRESULT {
            Entry e;
            HRESULT hr = Find(child, &e);
            if (hr != S_OK) return FAILED(hr) ? hr : DISP_E_MEMBERNOTFOUND;
            if (flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
            if (!e.shown || !TakesFocus(e.object)) return E_FAIL;
            e.object->RequestFocus();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* width, long* height, VARIANT child) override {
        if (!x || !y || !width || !height) return E_POINTER;
        *x = *y = *width = *height = 0;
        return Guarded([&]() -> HRESULT {
            Entry e;
            HRESULT hr = Find(child, &e);
            if (FAILED(hr)) return hr;
            RECT r = {};
            if (hr == S_OK)
                e.object->GetRect(&r);
            else
                GetClientRect(owner_, &r);
            r = LayoutRectToScreen(owner_, r);
            *x = r.left;
            *y = r.top;
            *width = r.right - r.left;
            *height = r.bottom - r.top;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        VariantInit(end);
        return Guarded([&]() -> HRESULT {
            Entry e;
            HRESULT hr = Find(start, &e);
            if (FAILED(hr)) return hr;
            const bool self = hr == S_FALSE;
            std::vector<Entry> entries;
            Connect(&entries);
            const long n = static_cast<long>(entries.size());
            long at = self ? 0 : start.lVal;  // 1-based; 0: before the first
            long step;
            switch (dir) {
            case NAVDIR_FIRSTCHILD:
                if (!self) return ReturnNothing(end);
                at = 0;
                step = 1;
                break;
            case NAVDIR_LASTCHILD:
                if (!self) return ReturnNothing(end);
                at = n + 1;
                step = -1;
                break;
            case NAVDIR_NEXT:
            case NAVDIR_PREVIOUS:
                // The window's own siblings are the system's to tell.
                if (self) return ReturnNothing(end);
                step = dir == NAVDIR_NEXT ? 1 : -1;
                break;
            case NAVDIR_UP: case NAVDIR_DOWN: case NAVDIR_LEFT: case NAVDIR_RIGHT:
                return ReturnNothing(end);
            default:
                return E_INVALIDARG;
            }
            for (at += step; at >= 1 && at <= n; at += step)
                if (entries[static_cast<size_t>(at - 1)].shown) return ReturnChild(at, end);
            return ReturnNothing(end);
        });
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        VariantInit(hit);
        return Guarded([&]() -> HRESULT {
            std::vector<Entry> entries;
            HRESULT hr = Connect(&entries);
            if (FAILED(hr)) return hr;
            POINT pt = {x, y};
            RECT client = {};
            if (!ScreenToClient(owner_, &pt) || !GetClientRect(owner_, &client) || !PtInRect(&client, pt))
                return ReturnNothing(hit);
            pt = UnscalePoint(pt, WindowScale(owner_));  // window pixels to layout units
            // The last one drawn is the one on top.
            for (size_t i = entries.size(); i-- > 0;) {
                RECT r;
                entries[i].object->GetRect(&r);
                if (entries[i].shown && PtInRect(&r, pt)) return ReturnChild(static_cast<LONG>(i + 1), hit);
            }
            return ReturnChild(CHILDID_SELF, hit);
        });
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return Guarded([&]() -> HRESULT {
            Entry e;
            HRESULT hr = Find(child, &e);
            if (hr != S_OK) return FAILED(hr) ? hr : DISP_E_MEMBERNOTFOUND;
            if (!e.object->AccessibleAction()) return DISP_E_MEMBERNOTFOUND;
            if (!e.shown || !TakesFocus(e.object)) return E_FAIL;  // a click would not reach it either
            e.object->Activate();  // last: the action may end the dialog and its tree
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

private:
    ~AccessibleClient() = default;

    // The exposed controls, when the window and its tree are still there; calls from a
    // thread other than the window's are refused (the tree is not shared between threads).
    HRESULT Connect(std::vector<Entry>* entries) const {
        if (!IsWindow(owner_)) return CO_E_OBJNOTCONNECTED;
        if (GetWindowThreadProcessId(owner_, nullptr) != GetCurrentThreadId()) return RPC_E_WRONG_THREAD;
        const ContainerUIObjectImpl* root = RecordedRoot(owner_);
        if (!root) return CO_E_OBJNOTCONNECTED;
        if (entries) *entries = Entries(root);
        return S_OK;
    }
    // S_OK with the control for a child number, S_FALSE for the window itself.
    HRESULT Find(const VARIANT& child, Entry* out) const {
        std::vector<Entry> entries;
        HRESULT hr = Connect(&entries);
        if (FAILED(hr)) return hr;
        if (child.vt != VT_I4) return E_INVALIDARG;
        if (child.lVal == CHILDID_SELF) return S_FALSE;
        if (child.lVal < 1 || static_cast<size_t>(child.lVal) > entries.size()) return E_INVALIDARG;
        *out = entries[static_cast<size_t>(child.lVal - 1)];
        return S_OK;
    }
    HRESULT NoText(const VARIANT& child, BSTR* out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        return Guarded([&]() -> HRESULT {
            Entry e;
            HRESULT hr = Find(child, &e);
            return FAILED(hr) ? hr : S_FALSE;
        });
    }

    LONG refs_ = 1;
    const HWND owner_;
};

}  // namespace

LRESULT AnswerGetObject(HWND owner, WPARAM wParam, LPARAM lParam, bool* handled) {
    *handled = false;
    if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT) || !RecordedRoot(owner)) return 0;
    using LresultFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    static const auto lresult = ORBSystemFunction<LresultFn>(L"oleacc.dll", "LresultFromObject");
    if (!lresult) return 0;
    auto* client = new (std::nothrow) AccessibleClient(owner);
    if (!client) return 0;
    const LRESULT r = lresult(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(client));
    client->Release();  // the result holds its own reference
    *handled = r > 0;
    return *handled ? r : 0;
}

std::vector<IORBBaseUIObject*> AccessibleChildren(const ContainerUIObjectImpl* root) {
    std::vector<IORBBaseUIObject*> out;
    for (const Entry& e : Entries(root)) out.push_back(e.object);
    return out;
}

LONG AccessibleChildId(const IORBBaseUIObject* object) {
    if (!object) return 0;
    const std::vector<Entry> entries = Entries(RecordedRoot(object->GetOwnerWindow()));
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].object == object) return static_cast<LONG>(i + 1);
    return 0;
}

void NotifyAccessibleEvent(DWORD event, const IORBBaseUIObject* object) {
    // Events are a courtesy to assistive technology: a failure here must not stop the UI.
    try {
        if (const LONG id = AccessibleChildId(object)) NotifyWinEvent(event, object->GetOwnerWindow(), OBJID_CLIENT, id);
    } catch (...) {
    }
}

std::wstring AccessibleName(const IORBBaseUIObject* object) {
    return object ? object->AccessibleName() : std::wstring();
}

RECT LayoutRectToScreen(HWND owner, const RECT& rect) {
    const RECT window = LayoutToWindow(owner, rect);
    POINT corners[2] = {{window.left, window.top}, {window.right, window.bottom}};
    ClientToScreen(owner, &corners[0]);
    ClientToScreen(owner, &corners[1]);
    return {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

}  // namespace ORBUE
