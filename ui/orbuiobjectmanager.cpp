#include "orbuiobjectmanager.h"

#include <memory>
#include <utility>
#include <vector>

#include "orbcarousel.h"
#include "orbcontainer.h"
#include "orbcontrols.h"
#include "orblayout.h"
#include "orblog.h"
#include "orbtextbox.h"

namespace ORBUE {

namespace {

// Element names in the order they are compared; the index selects the recipe.
enum Kind {
    kContainer, kCaptionContainer, kVerticalContainer, kGridContainer, kButton, kLabel, kTextBox,
    kLinkLabel, kCheckBox, kProgress, kCarousel, kPicture, kKindCount
};
const wchar_t* const kElementNames[kKindCount] = {
    L"Container", L"CaptionContainer", L"VerticalContainer", L"GridContainer", L"Button", L"Label",
    L"TextBox", L"LinkLabel", L"CheckBox", L"Progress", L"Carousel", L"Picture"};

// Deepest container nesting built (the root is level 1).
const int kMaxDepth = 2000;

int KindOf(const pugi::xml_node& e) {
    if (e.type() != pugi::node_element) return kKindCount;
    for (int k = 0; k < kKindCount; ++k)
        if (wcscmp(e.name(), kElementNames[k]) == 0) return k;
    return kKindCount;
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

std::unique_ptr<ContainerUIObjectImpl> BuildContainer(HWND owner, const pugi::xml_node& e, int kind) {
    std::unique_ptr<ContainerUIObjectImpl> c;
    switch (kind) {
    case kCaptionContainer: c.reset(new CaptionContainerUIObjectImpl()); break;
    case kVerticalContainer: c.reset(new VerticalContainerUIObjectImpl()); break;
    case kGridContainer: c.reset(new GridContainerUIObjectImpl()); break;
    default: c.reset(new ContainerUIObjectImpl()); break;
    }
    std::wstring type = LayoutString(e, L"type");
    c->Create(owner, ReadRect(e), LayoutUInt(e, L"resId", 0), type.c_str());
    ApplyCommon(c.get(), e);
    if (kind == kVerticalContainer) {
        static_cast<VerticalContainerUIObjectImpl*>(c.get())->SetRows(LayoutInt(e, L"row", 0));
    } else if (kind == kGridContainer) {
        auto* g = static_cast<GridContainerUIObjectImpl*>(c.get());
        g->SetCols(LayoutInt(e, L"col", 0));
        g->SetRows(LayoutInt(e, L"row", 0));
        g->SetVertical(LayoutBool(e, L"vertical", false));
    }
    return c;
}

std::unique_ptr<IORBBaseUIObject> BuildControl(HWND owner, const pugi::xml_node& e, int kind) {
    RECT r = ReadRect(e);
    std::wstring type = LayoutString(e, L"type");
    UINT resId = LayoutUInt(e, L"resId", 0);
    std::wstring font = e.attribute(L"font") ? LayoutString(e, L"font") : std::wstring(L"Arial");
    int size = LayoutInt(e, L"size", 10);
    bool bold = LayoutBool(e, L"bold", false);
    BYTE rgb[3];

    switch (kind) {
    case kButton: {
        auto b = std::make_unique<ButtonUIObjectImpl>();
        b->Create(owner, r, resId, type.c_str());
        b->SetAction(LayoutUInt(e, L"action", 0));
        if (LayoutHasText(e)) {
            ReadColor(e, rgb);
            b->SetTextColor(rgb[0], rgb[1], rgb[2]);
            b->SetFont(font, size, bold);
            b->SetText(LayoutText(e));
        }
        ApplyCommon(b.get(), e);
        return b;
    }
    case kLabel: {
        auto l = std::make_unique<LabelUIObjectImpl>();
        l->Create(owner, r, 0, nullptr);
        l->SetText(LayoutText(e));
        ReadColor(e, rgb);
        l->SetTextColor(rgb[0], rgb[1], rgb[2]);
        l->SetFont(font, size, bold);
        l->SetCentred(LayoutString(e, L"align") == L"center");
        ApplyCommon(l.get(), e);
        return l;
    }
    case kTextBox: {
        auto t = std::make_unique<TextBoxUIObjectImpl>();
        t->Create(owner, r, resId, type.c_str());
        ScanRect(e.attribute(L"clrect").value(), &r);  // missing fields keep the rect's
        t->SetClientRect(r);
        t->CreateTextHost();
        ReadColor(e, rgb);
        t->SetTextColor(rgb[0], rgb[1], rgb[2]);
        t->SetName(LayoutString(e, L"name"));
        t->SetFont(font, size, bold);
        t->SetMaxLength(LayoutInt(e, L"maxchar", 0));
        t->SetVisible(LayoutBool(e, L"visible", true));
        t->SetEnabled(LayoutBool(e, L"enable", true));
        t->SetMultiLine(LayoutBool(e, L"multiline", false));
        t->SetText(LayoutText(e));
        return t;
    }
    case kLinkLabel: {
        auto l = std::make_unique<LinkLabelUIObjectImpl>();
        l->Create(owner, r, resId, type.c_str());
        ReadColor(e, rgb);
        l->SetTextColor(rgb[0], rgb[1], rgb[2]);
        l->SetFont(font, size, bold);
        l->SetText(LayoutText(e));
        l->SetAction(LayoutUInt(e, L"action", 0));
        ApplyCommon(l.get(), e);
        return l;
    }
    case kCheckBox: {
        auto c = std::make_unique<CheckBoxUIObjectImpl>();
        c->Create(owner, r, resId, type.c_str());
        if (LayoutHasText(e)) {
            pugi::xml_attribute chk = e.attribute(L"rectChk"), lbl = e.attribute(L"rectLbl");
            ScanRect(chk ? chk.value() : L"0,0,0,0", &r);
            c->SetCheckRect(r);
            ScanRect(lbl ? lbl.value() : L"0,0,0,0", &r);
            c->SetLabelRect(r);
            ReadColor(e, rgb);
            c->SetTextColor(rgb[0], rgb[1], rgb[2]);
            c->SetFont(font, size, bold);
            c->SetText(LayoutText(e));
        }
        c->SetAction(LayoutUInt(e, L"action", 0));
        c->SetName(LayoutString(e, L"name"));
        c->SetChecked(LayoutBool(e, L"checked", false));
        c->SetVisible(LayoutBool(e, L"visible", true));
        c->SetEnabled(LayoutBool(e, L"enable", true));
        return c;
    }
    case kProgress: {
        auto p = std::make_unique<ProgressUIObjectImpl>();
        p->Create(owner, r, resId, type.c_str());
        ApplyCommon(p.get(), e);
        pugi::xml_node front = e.child(L"Front");
        ScanRect(front.attribute(L"rect").value(), &r);  // missing fields keep the Progress rect
        p->SetFront(r, LayoutInt(front, L"spl", 0), LayoutInt(front, L"spr", 0));
        std::wstring frontType = LayoutString(front, L"type");
        p->SetFrontImage(frontType.c_str(), LayoutUInt(front, L"resId", 0));
        return p;
    }
    case kCarousel: {
        auto c = std::make_unique<CarouselUIObjectImpl>();
        c->Create(owner, r, resId, type.c_str());
        ApplyCommon(c.get(), e);
        c->SetFrameCount(LayoutInt(e, L"framecount", 1));
        c->SetCurrentFrame(0);
        c->SetInterval(LayoutUInt(e, L"interval", 1000));
        c->SetFadeInterval(LayoutUInt(e, L"fadeinterval", 500));
        return c;
    }
    case kPicture: {
        auto p = std::make_unique<PictureUIObjectImpl>();
        p->Create(owner, r, resId, type.c_str());
        ApplyCommon(p.get(), e);
        return p;
    }
    }
    return nullptr;
}

}  // namespace

UIObjectManager* UIObjectManager::GetInstance() {
    static UIObjectManager instance;
    return &instance;
}

UIObjectManager::~UIObjectManager() {
    for (auto& entry : trees_) delete entry.second;
    trees_.clear();
}

IORBBaseUIObject* UIObjectManager::CreateFromXml(HWND owner, const pugi::xml_node& container) {
    if (KindOf(container) != kContainer) return GetRoot(owner);

    std::unique_ptr<ContainerUIObjectImpl> root;
    try {
        root = BuildContainer(owner, container, kContainer);
    } catch (HRESULT hr) {
        ORBLog(L"root Container \"%s\" cannot be built, hr:0x%08X\r\n", container.attribute(L"name").value(),
               static_cast<unsigned>(hr));
        return nullptr;
    }
    ContainerUIObjectImpl* rootObject = root.get();
    trees_[owner] = root.release();

    // Depth-first with an explicit stack, so deep nesting costs no native stack; each
    // object is attached the moment it is made, so siblings keep document order.
    struct Level {
        ContainerUIObjectImpl* object;
        pugi::xml_node element;
        int depth;
    };
    std::vector<Level> stack;
    stack.push_back({rootObject, container, 1});
    while (!stack.empty()) {
        Level level = stack.back();
        stack.pop_back();
        ContainerUIObjectImpl* parent = level.object;
        for (pugi::xml_node child : level.element.children()) {
            int kind = KindOf(child);
            if (kind >= kKindCount) continue;
            if (kind <= kGridContainer) {
                // Drawing and input walk the tree recursively: keep it within the stack.
                if (level.depth >= kMaxDepth) {
                    ORBLog(L"Container \"%s\" lies deeper than %d levels and is skipped\r\n",
                           child.attribute(L"name").value(), kMaxDepth);
                    continue;
                }
                std::unique_ptr<ContainerUIObjectImpl> c = BuildContainer(owner, child, kind);
                ContainerUIObjectImpl* raw = c.get();
                parent->AddContainer(c.release());
                stack.push_back({raw, child, level.depth + 1});
            } else {
                parent->AddControl(BuildControl(owner, child, kind).release());
            }
        }
    }
    return rootObject;
}

void UIObjectManager::DestroyTree(HWND owner) {
    auto it = trees_.find(owner);
    if (it == trees_.end()) return;
    IORBBaseUIObject* root = it->second;
    trees_.erase(it);
    delete root;
}

IORBBaseUIObject* UIObjectManager::GetRoot(HWND owner) const {
    auto it = trees_.find(owner);
    return it == trees_.end() ? nullptr : it->second;
}

}  // namespace ORBUE
