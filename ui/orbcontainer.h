// Containers: hold child containers and controls, clip, dispatch the mouse.
#pragma once

#include <memory>
#include <vector>

#include "orbimageobject.h"
#include "orbuiobject.h"

namespace ORBUE {

class ContainerUIObjectImpl : public UIObjectImpl {
public:
    static constexpr const wchar_t* kKind = L"Container";
    ContainerUIObjectImpl();
    ~ContainerUIObjectImpl() override;
    const wchar_t* Kind() const override { return kKind; }
    ContainerUIObjectImpl* AsContainer() override { return this; }
    const ContainerUIObjectImpl* AsContainer() const override { return this; }

    // Clip to the rectangle, background, child containers, controls, reset the clip.
    void Draw(Gdiplus::Graphics* graphics) override;
    // resId 0: no background image. E_FAIL for a missing resource.
    HRESULT Create(HWND owner, RECT rect, UINT resId, const wchar_t* type) override;
    // Moves every child by the displacement of the top-left corner, then sets the rect.
    void SetRect(int left, int top, int right, int bottom) override;
    // Press, release, hover and cursor go to the first child under the pointer that
    // takes them (child containers first); a move reaches every child as a move or a leave.
    bool OnLButtonDown(const MouseEvent& e) override;
    bool OnLButtonUp(const MouseEvent& e) override;
    bool OnMouseLeave(const MouseEvent& e) override;
    bool OnMouseHover(const MouseEvent& e) override;
    bool OnMouseMove(const MouseEvent& e) override;
    bool OnSetCursor(POINT pt) override;

    // Own flag, SetVisibleAll on child containers, SetVisible on controls.
    virtual void SetVisibleAll(bool visible);
    // Child enabled := child enabled && this enabled, then appended; a child container
    // without a focus mark colour of its own takes this one. A null child is ignored.
    void AddControl(std::unique_ptr<IORBBaseUIObject> control);
    void AddContainer(std::unique_ptr<ContainerUIObjectImpl> container);
    // The colour of the keyboard focus mark around the controls below (default black).
    void SetFocusColor(Gdiplus::ARGB color);
    Gdiplus::ARGB GetFocusColor() const { return focusColor_; }
    // Own flag, SetEnabledAll on child containers, SetEnabled on controls.
    virtual void SetEnabledAll(bool enabled);

    // First direct child container / control with exactly this name, or null.
    ContainerUIObjectImpl* FindContainer(const std::wstring& name) const;
    IORBBaseUIObject* FindControl(const std::wstring& name) const;
    // Every control below whose exact class is `kind` (its Kind()): each child container's
    // result in order (recursively), then this container's own matches.
    std::vector<IORBBaseUIObject*> FindControlsByType(const wchar_t* kind) const;
    template <class T>
    std::vector<T*> FindControlsByType() const {
        std::vector<T*> out;
        for (IORBBaseUIObject* o : FindControlsByType(T::kKind)) out.push_back(static_cast<T*>(o));
        return out;
    }
    // Calls visit on every control below, in the order of FindControlsByType.
    template <class Visit>
    void ForEachControl(const Visit& visit) const {
        for (auto& c : containers_) c->ForEachControl(visit);
        for (auto& c : controls_) visit(c.get());
    }

    const std::vector<std::unique_ptr<IORBBaseUIObject>>& controls() const { return controls_; }
    const std::vector<std::unique_ptr<ContainerUIObjectImpl>>& containers() const { return containers_; }
    // Child controls and containers together, in the order they were added (layout order).
    const std::vector<IORBBaseUIObject*>& children() const { return order_; }

protected:
    // Draws the child containers, then the controls (no clip, no background).
    void DrawChildren(Gdiplus::Graphics* graphics);
    bool Active() const { return visible_ && enabled_; }

    std::vector<std::unique_ptr<IORBBaseUIObject>> controls_;
    std::vector<std::unique_ptr<ContainerUIObjectImpl>> containers_;
    std::unique_ptr<ImageObject> image_;
    bool mouseInside_ = false;

private:
    std::vector<IORBBaseUIObject*> order_;  // not owning
    Gdiplus::ARGB focusColor_ = 0xFF000000;
    bool ownFocusColor_ = false;
};

// A container whose empty area drags the window: an unhandled press posts
// WM_NCLBUTTONDOWN / HTCAPTION with the press point to the owner.
class CaptionContainerUIObjectImpl : public ContainerUIObjectImpl {
public:
    static constexpr const wchar_t* kKind = L"CaptionContainer";
    const wchar_t* Kind() const override { return kKind; }
    bool OnLButtonDown(const MouseEvent& e) override;
};

// Stacks its visible child containers in `rows` slots at every draw; its controls are not
// drawn (they still get the mouse). Rows below 1 are clamped to 1.
class VerticalContainerUIObjectImpl : public ContainerUIObjectImpl {
public:
    static constexpr const wchar_t* kKind = L"VerticalContainer";
    const wchar_t* Kind() const override { return kKind; }
    void Draw(Gdiplus::Graphics* graphics) override;
    void SetRows(int rows);
    int GetRows() const { return rows_; }

private:
    int rows_ = 1;
};

// Places its visible child containers in cells at every draw, across first or (vertical)
// down first. Counts below 1 are clamped to 1; cell sizes come from the rect at the call.
class GridContainerUIObjectImpl : public ContainerUIObjectImpl {
public:
    static constexpr const wchar_t* kKind = L"GridContainer";
    const wchar_t* Kind() const override { return kKind; }
    void Draw(Gdiplus::Graphics* graphics) override;
    void SetCols(int cols);
    void SetRows(int rows);
    void SetVertical(bool vertical);
    int GetCellWidth() const { return cellWidth_; }
    int GetCellHeight() const { return cellHeight_; }

private:
    int cols_ = 1;
    int rows_ = 1;
    int cellWidth_ = 0;
    int cellHeight_ = 0;
    bool vertical_ = false;
};

}  // namespace ORBUE
