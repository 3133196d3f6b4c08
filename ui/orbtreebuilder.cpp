#include "orbtreebuilder.h"

#include <utility>
#include <vector>

#include "orbactions.h"
#include "orbcarousel.h"
#include "orbcontrols.h"
#include "orblayout.h"
#include "orblog.h"
#include "orbtextbox.h"

namespace ORBUE {

namespace {

// Deepest container nesting built (the root is level 1).
const int kMaxDepth = 2000;

// True when e is an element named kind (exact, case-sensitive).
bool IsElement(const pugi::xml_node& e, const wchar_t* kind) {
    return e.type() == pugi::node_element && wcscmp(e.name(), kind) == 0;
}

RECT ReadRect(const pugi::xml_node& e) {
    RECT r = {};
    ScanRect(e.attribute(L"rect").value(), &r);
    return r;
}

void ReadColor(const pugi::xml_node& e, BYTE rgb[3]) {
    if (!ScanColor(e.attribute(L"color").value(), rgb))
        ORBLog(L"<%s name=\"%s\"> has no usable color, the default %d,%d,%d is used\r\n", e.name(),
               e.attribute(L"name").value(), rgb[0], rgb[1], rgb[2]);
}

// name, visible, enable: the tail of most recipes.
void ApplyCommon(IORBBaseUIObject* o, const pugi::xml_node& e) {
    o->SetName(LayoutString(e, L"name"));
    o->SetVisible(LayoutBool(e, L"visible", true));
    o->SetEnabled(LayoutBool(e, L"enable", true));
}

// The container classes by element name; null for any other element.
std::unique_ptr<ContainerUIObjectImpl> NewContainer(const pugi::xml_node& e) {
    if (IsElement(e, ContainerUIObjectImpl::kKind)) return std::make_unique<ContainerUIObjectImpl>();
    if (IsElement(e, CaptionContainerUIObjectImpl::kKind)) return std::make_unique<CaptionContainerUIObjectImpl>();
    if (IsElement(e, VerticalContainerUIObjectImpl::kKind)) return std::make_unique<VerticalContainerUIObjectImpl>();
    if (IsElement(e, GridContainerUIObjectImpl::kKind)) return std::make_unique<GridContainerUIObjectImpl>();
    return nullptr;
}

// A container made by NewContainer, set up from its element.
HRESULT BuildContainer(HWND owner, const pugi::xml_node& e, std::unique_ptr<ContainerUIObjectImpl> c,
                       std::unique_ptr<ContainerUIObjectImpl>* out) {
    std::wstring type = LayoutString(e, L"type");
    HRESULT hr = c->Create(owner, ReadRect(e), LayoutUInt(e, L"resId", 0), type.c_str());
    if (FAILED(hr)) return hr;
    ApplyCommon(c.get(), e);
    if (pugi::xml_attribute focusColor = e.attribute(L"focuscolor")) {
        BYTE rgb[3];
        if (ScanColor(focusColor.value(), rgb))
            c->SetFocusColor(Gdiplus::Color::MakeARGB(255, rgb[0], rgb[1], rgb[2]));
        else
            ORBLog(L"<%s name=\"%s\"> has no usable focuscolor, the focus mark stays as it was\r\n", e.name(),
                   e.attribute(L"name").value());
    }
    if (auto* v = AsKind<VerticalContainerUIObjectImpl>(c.get())) {
        v->SetRows(LayoutInt(e, L"row", 0));
    } else if (auto* g = AsKind<GridContainerUIObjectImpl>(c.get())) {
        g->SetCols(LayoutInt(e, L"col", 0));
        g->SetRows(LayoutInt(e, L"row", 0));
        g->SetVertical(LayoutBool(e, L"vertical", false));
    }
    *out = std::move(c);
    return S_OK;
}

// What every control element may carry, read once.
struct ControlAttributes {
    RECT rect;
    std::wstring type;
    UINT resId;
    std::wstring font;
    int size;
    bool bold;
    BYTE rgb[3];

    explicit ControlAttributes(const pugi::xml_node& e)
        : rect(ReadRect(e)), type(LayoutString(e, L"type")), resId(LayoutUInt(e, L"resId", 0)),
          font(e.attribute(L"font") ? LayoutString(e, L"font") : std::wstring(L"Arial")),
          size(LayoutInt(e, L"size", 10)), bold(LayoutBool(e, L"bold", false)), rgb() {}
};

// Colour and font of a control that draws text (label, link label, text box).
template <class T>
void ApplyTextLook(T* o, const pugi::xml_node& e, ControlAttributes& a) {
    ReadColor(e, a.rgb);
    o->SetTextColor(a.rgb[0], a.rgb[1], a.rgb[2]);
    o->SetFont(a.font, a.size, a.bold);
}

// The element's action code; one above kORBActionMax would be delivered as one of the UI
// objects' own messages, so the control gets none (WM_USER, as without the attribute).
UINT LayoutAction(const pugi::xml_node& e) {
    const UINT code = LayoutUInt(e, L"action", 0);
    return code <= kORBActionMax ? code : 0;
}

// Each builder: the object made and set up from its element, or the failure of its Create.
using Built = std::unique_ptr<IORBBaseUIObject>;

HRESULT BuildButton(HWND owner, const pugi::xml_node& e, ControlAttributes& a, Built* out) {
    auto b = std::make_unique<ButtonUIObjectImpl>();
    HRESULT hr = b->Create(owner, a.rect, a.resId, a.type.c_str());
    if (FAILED(hr)) return hr;
    b->SetAction(LayoutAction(e));
    if (LayoutHasText(e)) {
        ReadColor(e, a.rgb);
        b->SetTextColor(a.rgb[0], a.rgb[1], a.rgb[2]);
        b->SetFont(a.font, a.size, a.bold);
        b->SetText(LayoutText(e));
    }
    ApplyCommon(b.get(), e);
    *out = std::move(b);
    return S_OK;
}

HRESULT BuildLabel(HWND owner, const pugi::xml_node& e, ControlAttributes& a, Built* out) {
    auto l = std::make_unique<LabelUIObjectImpl>();
    HRESULT hr = l->Create(owner, a.rect, 0, nullptr);
    if (FAILED(hr)) return hr;
    l->SetText(LayoutText(e));
    ApplyTextLook(l.get(), e, a);
    l->SetCentred(LayoutString(e, L"align") == L"center");
    ApplyCommon(l.get(), e);
    *out = std::move(l);
    return S_OK;
}

// Only text services missing from the system stop the build; a box whose services cannot
// be made stays inert.
HRESULT BuildTextBox(HWND owner, const pugi::xml_node& e, ControlAttributes& a, Built* out) {
    auto t = std::make_unique<TextBoxUIObjectImpl>();
    HRESULT hr = t->Create(owner, a.rect, a.resId, a.type.c_str());
    if (FAILED(hr)) return hr;
    RECT client = a.rect;
    ScanRect(e.attribute(L"clrect").value(), &client);  // missing fields keep the rect's
    t->SetClientRect(client);
    if (t->CreateTextHost() == kTextServicesMissing) return kTextServicesMissing;
    ApplyTextLook(t.get(), e, a);
    t->SetMaxLength(LayoutInt(e, L"maxchar", 0));
    ApplyCommon(t.get(), e);
    t->SetMultiLine(LayoutBool(e, L"multiline", false));
    t->SetText(LayoutText(e));
    *out = std::move(t);
    return S_OK;
}

HRESULT BuildLinkLabel(HWND owner, const pugi::xml_node& e, ControlAttributes& a, Built* out) {
    auto l = std::make_unique<LinkLabelUIObjectImpl>();
    HRESULT hr = l->Create(owner, a.rect, a.resId, a.type.c_str());
    if (FAILED(hr)) return hr;
    ApplyTextLook(l.get(), e, a);
    l->SetText(LayoutText(e));
    l->SetAction(LayoutAction(e));
    ApplyCommon(l.get(), e);
    *out = std::move(l);
    return S_OK;
}

HRESULT BuildCheckBox(HWND owner, const pugi::xml_node& e, ControlAttributes& a, Built* out) {
    auto c = std::make_unique<CheckBoxUIObjectImpl>();
    HRESULT hr = c->Create(owner, a.rect, a.resId, a.type.c_str());
    if (FAILED(hr)) return hr;
    if (LayoutHasText(e)) {
        pugi::xml_attribute chk = e.attribute(L"rectChk"), lbl = e.attribute(L"rectLbl");
        RECT r = a.rect;
        ScanRect(chk ? chk.value() : L"0,0,0,0", &r);
        c->SetCheckRect(r);
        ScanRect(lbl ? lbl.value() : L"0,0,0,0", &r);
        c->SetLabelRect(r);
        ReadColor(e, a.rgb);
        c->SetTextColor(a.rgb[0], a.rgb[1], a.rgb[2]);
        c->SetFont(a.font, a.size, a.bold);
        c->SetText(LayoutText(e));
    }
    c->SetAction(LayoutAction(e));
    c->SetName(LayoutString(e, L"name"));
    c->SetChecked(LayoutBool(e, L"checked", false));
    c->SetVisible(LayoutBool(e, L"visible", true));
    c->SetEnabled(LayoutBool(e, L"enable", true));
    *out = std::move(c);
    return S_OK;
}

HRESULT BuildProgress(HWND owner, const pugi::xml_node& e, ControlAttributes& a, Built* out) {
    auto p = std::make_unique<ProgressUIObjectImpl>();
    HRESULT hr = p->Create(owner, a.rect, a.resId, a.type.c_str());
    if (FAILED(hr)) return hr;
    ApplyCommon(p.get(), e);
    pugi::xml_node front = e.child(L"Front");
    RECT r = a.rect;
    ScanRect(front.attribute(L"rect").value(), &r);  // missing fields keep the Progress rect
    p->SetFront(r, LayoutInt(front, L"spl", 0), LayoutInt(front, L"spr", 0));
    std::wstring frontType = LayoutString(front, L"type");
    hr = p->SetFrontImage(frontType.c_str(), LayoutUInt(front, L"resId", 0));
    if (FAILED(hr)) return hr;
    *out = std::move(p);
    return S_OK;
}

HRESULT BuildCarousel(HWND owner, const pugi::xml_node& e, ControlAttributes& a, Built* out) {
    auto c = std::make_unique<CarouselUIObjectImpl>();
    HRESULT hr = c->Create(owner, a.rect, a.resId, a.type.c_str());
    if (FAILED(hr)) return hr;
    ApplyCommon(c.get(), e);
    c->SetFrameCount(LayoutInt(e, L"framecount", 1));
    c->SetCurrentFrame(0);
    c->SetInterval(LayoutUInt(e, L"interval", 1000));
    c->SetFadeInterval(LayoutUInt(e, L"fadeinterval", 500));
    *out = std::move(c);
    return S_OK;
}

HRESULT BuildPicture(HWND owner, const pugi::xml_node& e, ControlAttributes& a, Built* out) {
    auto p = std::make_unique<PictureUIObjectImpl>();
    HRESULT hr = p->Create(owner, a.rect, a.resId, a.type.c_str());
    if (FAILED(hr)) return hr;
    ApplyCommon(p.get(), e);
    *out = std::move(p);
    return S_OK;
}

// The control recipes by element name.
struct ControlRecipe {
    const wchar_t* element;
    HRESULT (*build)(HWND, const pugi::xml_node&, ControlAttributes&, Built*);
};
const ControlRecipe kControlRecipes[] = {
    {ButtonUIObjectImpl::kKind, BuildButton},     {LabelUIObjectImpl::kKind, BuildLabel},
    {TextBoxUIObjectImpl::kKind, BuildTextBox},   {LinkLabelUIObjectImpl::kKind, BuildLinkLabel},
    {CheckBoxUIObjectImpl::kKind, BuildCheckBox}, {ProgressUIObjectImpl::kKind, BuildProgress},
    {CarouselUIObjectImpl::kKind, BuildCarousel}, {PictureUIObjectImpl::kKind, BuildPicture},
};

const ControlRecipe* RecipeOf(const pugi::xml_node& e) {
    for (const ControlRecipe& r : kControlRecipes)
        if (IsElement(e, r.element)) return &r;
    return nullptr;
}

HRESULT BuildControl(HWND owner, const pugi::xml_node& e, const ControlRecipe& recipe, Built* out) {
    ControlAttributes attributes(e);
    HRESULT hr = recipe.build(owner, e, attributes, out);
    // What a screen reader calls the control when its text does not say it (image buttons).
    if (SUCCEEDED(hr) && *out) (*out)->SetAccessibleName(LayoutString(e, L"accname"));
    return hr;
}

// Builds the elements below the root's into it, depth-first with an explicit stack, so deep
// nesting costs no native stack; each object is attached the moment it is made, so siblings
// keep document order.
HRESULT BuildChildren(HWND owner, ContainerUIObjectImpl* root, const pugi::xml_node& container) {
    struct Level {
        ContainerUIObjectImpl* object;
        pugi::xml_node element;
        int depth;
    };
    std::vector<Level> stack;
    stack.push_back({root, container, 1});
    while (!stack.empty()) {
        Level level = stack.back();
        stack.pop_back();
        ContainerUIObjectImpl* parent = level.object;
        for (pugi::xml_node child : level.element.children()) {
            if (const ControlRecipe* recipe = RecipeOf(child)) {
                std::unique_ptr<IORBBaseUIObject> control;
                HRESULT hr = BuildControl(owner, child, *recipe, &control);
                if (FAILED(hr)) return hr;
                parent->AddControl(std::move(control));
                continue;
            }
            std::unique_ptr<ContainerUIObjectImpl> made = NewContainer(child);
            if (!made) continue;
            // Drawing and input walk the tree recursively: keep it within the stack.
            if (level.depth >= kMaxDepth) {
                ORBLog(L"Container \"%s\" lies deeper than %d levels and is skipped\r\n",
                       child.attribute(L"name").value(), kMaxDepth);
                continue;
            }
            std::unique_ptr<ContainerUIObjectImpl> c;
            HRESULT hr = BuildContainer(owner, child, std::move(made), &c);
            if (FAILED(hr)) return hr;
            stack.push_back({c.get(), child, level.depth + 1});
            parent->AddContainer(std::move(c));
        }
    }
    return S_OK;
}

}  // namespace

HRESULT BuildUITree(HWND owner, const pugi::xml_node& container, std::unique_ptr<ContainerUIObjectImpl>* root) {
    root->reset();
    if (!IsElement(container, ContainerUIObjectImpl::kKind)) return S_FALSE;
    HRESULT hr = BuildContainer(owner, container, std::make_unique<ContainerUIObjectImpl>(), root);
    if (FAILED(hr)) {
        ORBLog(L"root Container \"%s\" cannot be built, hr:0x%08X\r\n", container.attribute(L"name").value(),
               static_cast<unsigned>(hr));
        return hr;
    }
    return BuildChildren(owner, root->get(), container);
}

}  // namespace ORBUE
