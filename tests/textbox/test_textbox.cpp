// The text box: text, typing, length limit, caret, focus, disabled look, wrapping and
// drawing over the alpha image, with the system's windowless rich-edit services.
#include <windows.h>
#include <imm.h>

#include <memory>

#include "orbtestutil.h"
#include "orbcontainer.h"
#include "orbtextbox.h"
#include "orbuitestutil.h"

using namespace ORBUE;

namespace {

testing::Environment* const gdiplus = testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

const int kW = 140, kH = 100;                  // frame size
const RECT kRect = {10, 10, 130, 40};          // 120 x 30, like the image cells
const DWORD kNormal = 0xFFFAFAFA, kDisabled = 0xFFBEBEBE;

std::unique_ptr<TextBoxUIObjectImpl> MakeBox(HWND owner, RECT rect = kRect, bool create = true) {
    auto box = std::make_unique<TextBoxUIObjectImpl>();
    box->Create(owner, rect, 404, L"PNG");
    box->SetClientRect(rect);
    if (create) {
        EXPECT_EQ(S_OK, box->CreateTextHost());
        box->SetTextColor(0, 0, 160);
        box->SetFont(L"Arial", 12, false);
        box->SetMaxLength(0);
    }
    return box;
}

void Type(TextBoxUIObjectImpl& box, const std::wstring& text) {
    for (wchar_t c : text) box.ProcessMessage(WM_CHAR, c, 1);
}

// Pixels of the text area that are not the background colour.
int Ink(const std::vector<DWORD>& px, const RECT& area, DWORD background, int* rows = nullptr) {
    int n = 0, inkRows = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        int inRow = 0;
        for (int x = area.left; x < area.right; ++x) inRow += px[y * kW + x] != background;
        n += inRow;
        inkRows += inRow > 0;
    }
    if (rows) *rows = inkRows;
    return n;
}

}  // namespace

TEST(TextBox, TextBeforeAndAfterTheServicesExist) {
    TestOwner owner;
    auto box = MakeBox(owner.hwnd(), kRect, false);
    EXPECT_FALSE(box->IsCreated());
    box->SetText(L"ignored");
    EXPECT_EQ(L"", box->GetText());
    EXPECT_EQ(0, box->ProcessMessage(WM_CHAR, 'a', 1));
    std::vector<DWORD> px = DrawFrame(box.get(), kW, kH);
    ASSERT_FALSE(px.empty());
    for (DWORD p : px) ASSERT_EQ(0u, p);  // inert: draws nothing at all

    ASSERT_EQ(S_OK, box->CreateTextHost());
    EXPECT_EQ(S_OK, box->CreateTextHost());  // once
    box->SetText(L"C:\\安装 目录");
    EXPECT_EQ(L"C:\\安装 目录", box->GetText());
    box->SetText(L"");
    EXPECT_EQ(L"", box->GetText());
}

TEST(TextBox, TypingWithFocusStopsAtTheMaximumLength) {
    TestOwner owner;
    auto box = MakeBox(owner.hwnd());
    box->RequestFocus();
    EXPECT_TRUE(box->IsFocused());
    EXPECT_EQ(TextBoxUIObjectImpl::kHot, box->GetState());
    ASSERT_EQ(1, owner.Count(ORBUM_SETFOCUS));
    EXPECT_EQ(reinterpret_cast<LPARAM>(static_cast<IORBBaseUIObject*>(box.get())), owner.messages[0].lParam);
    Type(*box, L"abc");
    EXPECT_EQ(L"abc", box->GetText());
    box->SetMaxLength(3);
    EXPECT_EQ(3u, box->GetMaxLength());
    Type(*box, L"de");
    EXPECT_EQ(L"abc", box->GetText());
    box->SetMaxLength(0);
    EXPECT_EQ(65536u, box->GetMaxLength());
    Type(*box, L"d");
    EXPECT_EQ(L"abcd", box->GetText());
    box->SetMaxLength(-5);
    EXPECT_EQ(65536u, box->GetMaxLength());
}

TEST(TextBox, CaretBlinksOnTicksAndLeavesWithTheFocus) {
    TestOwner owner;
    auto box = MakeBox(owner.hwnd());
    box->SetText(L"path");
    box->RequestFocus();
    EXPECT_FALSE(box->IsCaretShown());
    EXPECT_EQ(1, box->ProcessMessage(ORBUM_CARETTICK, 0, 0));
    EXPECT_TRUE(box->IsCaretShown());
    std::vector<DWORD> on = DrawFrame(box.get(), kW, kH);
    EXPECT_EQ(1, box->ProcessMessage(ORBUM_CARETTICK, 0, 0));
    EXPECT_FALSE(box->IsCaretShown());
    std::vector<DWORD> off = DrawFrame(box.get(), kW, kH);
    ASSERT_EQ(on.size(), off.size());
    // The only difference is one column of the caret colour.
    int columnsChanged = 0, caretPixels = 0;
    for (int x = 0; x < kW; ++x) {
        bool changed = false;
        for (int y = 0; y < kH; ++y) {
            if (on[y * kW + x] == off[y * kW + x]) continue;
            changed = true;
            caretPixels += ChannelDiff(on[y * kW + x], 0xFF000000u) <= 2;  // near black over the image
        }
        columnsChanged += changed;
    }
    EXPECT_EQ(1, columnsChanged);
    EXPECT_GT(caretPixels, 5);

    box->ProcessMessage(ORBUM_CARETTICK, 0, 0);
    EXPECT_TRUE(box->IsCaretShown());
    box->ReleaseFocus();
    EXPECT_FALSE(box->IsCaretShown());
    EXPECT_FALSE(box->IsFocused());
    EXPECT_EQ(TextBoxUIObjectImpl::kNormal, box->GetState());
    EXPECT_EQ(1, owner.Count(ORBUM_KILLFOCUS));
}

TEST(TextBox, DisabledDrawsTheThirdCellGreyedAndIgnoresInput) {
    TestOwner owner;
    auto box = MakeBox(owner.hwnd());
    box->SetText(L"abc");
    box->SetEnabled(false);
    EXPECT_FALSE(box->IsEnabled());
    EXPECT_EQ(TextBoxUIObjectImpl::kDisabled, box->GetState());
    EXPECT_TRUE(box->host()->CharFormat().dwEffects & CFE_DISABLED);
    std::vector<DWORD> px = DrawFrame(box.get(), kW, kH);
    EXPECT_EQ(kDisabled, px[12 * kW + 12]);  // a corner of the rect, outside the text area
    EXPECT_GT(Ink(px, box->TextArea(), kDisabled), 0);  // greyed text is still drawn

    Type(*box, L"x");
    EXPECT_EQ(L"abc", box->GetText());
    BOOL handled = TRUE;
    handled = box->OnLButtonDown(MouseEvent::FromMessage(0, MAKELPARAM(30, 25)));
    EXPECT_FALSE(handled);
    handled = box->OnMouseMove(MouseEvent::FromMessage(0, MAKELPARAM(30, 25)));
    EXPECT_FALSE(handled);
    box->RequestFocus();
    EXPECT_EQ(0, owner.Count(ORBUM_SETFOCUS));

    box->SetEnabled(true);
    EXPECT_EQ(TextBoxUIObjectImpl::kNormal, box->GetState());
    EXPECT_FALSE(box->host()->CharFormat().dwEffects & (CFE_DISABLED | CFE_AUTOCOLOR));
    EXPECT_EQ(kNormal, DrawFrame(box.get(), kW, kH)[12 * kW + 12]);
}

TEST(TextBox, GlyphsLandOnlyOverTheBackgroundImage) {
    TestOwner owner;
    auto box = MakeBox(owner.hwnd());
    std::vector<DWORD> empty = DrawFrame(box.get(), kW, kH);
    box->SetText(L"Hello");
    std::vector<DWORD> text = DrawFrame(box.get(), kW, kH);
    RECT area = box->TextArea();
    int inside = 0, outside = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            size_t i = static_cast<size_t>(y) * kW + x;
            if (empty[i] == text[i]) continue;
            POINT pt = {x, y};
            if (PtInRect(&area, pt)) {
                ++inside;
                EXPECT_EQ(0xFFu, text[i] >> 24);  // glyph pixels are opaque
            } else {
                ++outside;
            }
        }
    EXPECT_EQ(0, outside);
    EXPECT_GT(inside, 20);
    EXPECT_LT(inside, (area.right - area.left) * (area.bottom - area.top) / 3);
    // Between the glyphs the background image shows: no fill of the text area.
    EXPECT_EQ(kNormal, text[(area.bottom - 1) * kW + area.right - 1]);
    EXPECT_EQ(0u, text[5 * kW + 5]);  // outside the box the frame stays transparent
}

TEST(TextBox, SingleLineScrollsWhereMultiLineWraps) {
    TestOwner owner;
    const std::wstring longText = L"The quick brown fox jumps over the lazy dog, again and again";
    // Over an opaque window background, as in a dialog: the text area must never lie
    // over transparent pixels, which the GDI alpha procedure cannot tell from glyphs.
    ContainerUIObjectImpl root;
    root.Create(owner.hwnd(), {0, 0, kW, kH}, 401, L"PNG");
    RECT tall = {10, 10, 130, 95};
    auto* single = MakeBox(owner.hwnd(), tall).release();
    auto* multi = MakeBox(owner.hwnd(), tall).release();
    root.AddControl(std::unique_ptr<IORBBaseUIObject>(single));
    root.AddControl(std::unique_ptr<IORBBaseUIObject>(multi));
    multi->SetMultiLine(true);
    EXPECT_TRUE(multi->IsMultiLine());

    // Rows of the text area that change when the box shows text.
    auto inkRows = [&](TextBoxUIObjectImpl* b, std::vector<DWORD>* frame = nullptr) {
        single->SetVisible(b == single);
        multi->SetVisible(b == multi);
        b->SetText(L"");
        std::vector<DWORD> blank = DrawFrame(&root, kW, kH);
        b->SetText(longText);
        std::vector<DWORD> px = DrawFrame(&root, kW, kH);
        if (frame) *frame = px;
        RECT area = b->TextArea();
        int rows = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            bool ink = false;
            for (int x = area.left; x < area.right; ++x) ink |= px[y * kW + x] != blank[y * kW + x];
            rows += ink;
        }
        return rows;
    };
    std::vector<DWORD> before;
    int singleRows = inkRows(single, &before), multiRows = inkRows(multi);
    EXPECT_GT(singleRows, 5);
    EXPECT_LT(singleRows, 25);             // one line
    EXPECT_GT(multiRows, 2 * singleRows);  // wrapped onto several

    // Moving to the end scrolls the single line sideways: other glyphs are shown.
    multi->SetVisible(false);
    single->SetVisible(true);
    single->RequestFocus();
    single->ProcessMessage(WM_KEYDOWN, VK_END, 0);
    std::vector<DWORD> after = DrawFrame(&root, kW, kH);
    EXPECT_NE(before, after);
    single->ReleaseFocus();
}

TEST(TextBox, MouseFocusAndCaptureGoThroughTheOwner) {
    TestOwner owner;
    auto box = MakeBox(owner.hwnd());
    box->SetText(L"some text");
    BOOL handled = FALSE;
    handled = box->OnMouseMove(MouseEvent::FromMessage(0, MAKELPARAM(30, 25)));
    EXPECT_TRUE(handled);
    EXPECT_EQ(TextBoxUIObjectImpl::kHot, box->GetState());
    handled = box->OnMouseLeave(MouseEvent::At(0, 0));
    EXPECT_EQ(TextBoxUIObjectImpl::kNormal, box->GetState());
    handled = box->OnLButtonDown(MouseEvent::FromMessage(MK_LBUTTON, MAKELPARAM(30, 25)));
    EXPECT_TRUE(handled);
    handled = box->OnLButtonUp(MouseEvent::FromMessage(0, MAKELPARAM(30, 25)));
    EXPECT_TRUE(handled);
    box->RequestFocus();
    handled = box->OnMouseMove(MouseEvent::FromMessage(0, MAKELPARAM(30, 25)));
    handled = box->OnMouseLeave(MouseEvent::At(0, 0));
    EXPECT_EQ(TextBoxUIObjectImpl::kHot, box->GetState());  // still focused

    owner.messages.clear();
    box->RequestCapture();
    box->ReleaseCapture();
    ASSERT_EQ(2u, owner.messages.size());
    EXPECT_EQ(ORBUM_SETCAPTURE, owner.messages[0].msg);
    EXPECT_EQ(ORBUM_RELEASECAPTURE, owner.messages[1].msg);
    EXPECT_EQ(reinterpret_cast<LPARAM>(static_cast<IORBBaseUIObject*>(box.get())), owner.messages[1].lParam);
    box->OnCaptureLost();

    handled = box->OnSetCursor(POINT{30, 25});
    EXPECT_TRUE(handled);
    handled = box->OnSetCursor(POINT{12, 12});  // rect, but not text area
    EXPECT_FALSE(handled);

    box->SetVisible(false);
    EXPECT_FALSE(box->IsFocused());
    std::vector<DWORD> px = DrawFrame(box.get(), kW, kH);
    for (DWORD p : px) ASSERT_EQ(0u, p);
    handled = box->OnMouseMove(MouseEvent::FromMessage(0, MAKELPARAM(30, 25)));
    EXPECT_FALSE(handled);
}

TEST(TextBox, MovingKeepsTheClientProportionCentred) {
    TestOwner owner;
    auto box = MakeBox(owner.hwnd(), {0, 0, 100, 50}, false);
    box->SetClientRect({10, 5, 90, 45});  // 80 x 40 in 100 x 50
    box->SetRect(100, 100, 300, 200);
    RECT c = box->GetClientRect();
    EXPECT_EQ(120, c.left);
    EXPECT_EQ(110, c.top);
    EXPECT_EQ(280, c.right);
    EXPECT_EQ(190, c.bottom);
    RECT r;
    box->GetRect(&r);
    EXPECT_EQ(300, r.right);
    box->SetRect(0, 0, 0, 0);
    box->SetRect(5, 5, 25, 15);  // from an empty rectangle: the client fills the new one
    c = box->GetClientRect();
    EXPECT_EQ(5, c.left);
    EXPECT_EQ(25, c.right);

    auto live = MakeBox(owner.hwnd());
    RECT hostBefore = live->host()->ClientRect();
    live->SetRect(20, 20, 140, 50);
    EXPECT_TRUE(EqualRect(&hostBefore, &live->host()->ClientRect()));
}

TEST(TextBox, ImeCompositionWindowOpensAtTheCaret) {
    TestOwner owner;
    auto box = MakeBox(owner.hwnd());
    box->SetText(L"abc");
    box->RequestFocus();
    DrawFrame(box.get(), kW, kH);  // drawing must not move the text's coordinates
    box->ProcessMessage(WM_KEYDOWN, VK_END, 0);
    POINT end = {};
    GetCaretPos(&end);
    box->ProcessMessage(WM_KEYDOWN, VK_HOME, 0);
    POINT home = {};
    GetCaretPos(&home);
    EXPECT_GE(home.x, box->TextArea().left);  // window coordinates, inside the text area
    EXPECT_LE(home.x, box->TextArea().left + 2);
    EXPECT_GT(end.x, home.x);
    box->ProcessMessage(WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(0, box->ProcessMessage(WM_IME_COMPOSITION, 0, 0));  // not consumed
    HIMC imc = ImmGetContext(owner.hwnd());
    if (!imc) GTEST_SKIP() << "no input context on this system";
    COMPOSITIONFORM form = {};
    EXPECT_TRUE(ImmGetCompositionWindow(imc, &form));
    ImmReleaseContext(owner.hwnd(), imc);
    POINT caret = {};
    GetCaretPos(&caret);
    EXPECT_EQ(static_cast<DWORD>(CFS_POINT), form.dwStyle);
    EXPECT_EQ(caret.x, form.ptCurrentPos.x);
    EXPECT_EQ(caret.y, form.ptCurrentPos.y);
    EXPECT_GT(caret.x, kRect.left);
}

TEST(TextBox, RichEditComesFromTheSystemFolderOnly) {
    wchar_t sys[MAX_PATH * 4];
    UINT n = GetSystemDirectoryW(sys, MAX_PATH * 4);
    ASSERT_GT(n, 0u);
    std::wstring path;
    EXPECT_EQ(nullptr, LoadSystemLibrary(L"orb-no-such-library.dll", &path));
    EXPECT_EQ(std::wstring(sys) + L"\\orb-no-such-library.dll", path);
    HMODULE riched = LoadSystemLibrary(L"riched20.dll", &path);
    ASSERT_NE(nullptr, riched);
    EXPECT_NE(nullptr, reinterpret_cast<void*>(GetProcAddress(riched, "CreateTextServices")));
    FreeLibrary(riched);
}

TEST(TextBox, HostReportsItsAreaAndPropertiesAndAnswersItsMessages) {
    TestOwner owner;
    auto box = MakeBox(owner.hwnd());
    CTxtWinHost* host = box->host();
    RECT rc;
    host->TxGetClientRect(&rc);
    RECT area = box->TextArea();
    EXPECT_TRUE(EqualRect(&rc, &area));  // client rectangle shrunk by 5 on every side
    SIZEL extent;
    host->TxGetExtent(&extent);
    EXPECT_EQ(MulDiv(120 - 10, 2540, host->DpiX()), extent.cx);
    EXPECT_EQ(MulDiv(30 - 10, 2540, host->DpiY()), extent.cy);
    TXTBACKSTYLE style;
    host->TxGetBackStyle(&style);
    EXPECT_EQ(TXTBACK_TRANSPARENT, style);
    DWORD bits = 0;
    host->TxGetPropertyBits(0xFFFFFFFF, &bits);
    EXPECT_EQ(0u, bits & (TXTBIT_RICHTEXT | TXTBIT_MULTILINE | TXTBIT_WORDWRAP | TXTBIT_HIDESELECTION));
    EXPECT_TRUE(bits & TXTBIT_ALLOWBEEP);
    box->SetMultiLine(true);
    host->TxGetPropertyBits(0xFFFFFFFF, &bits);
    EXPECT_EQ(static_cast<DWORD>(TXTBIT_MULTILINE | TXTBIT_WORDWRAP), bits & (TXTBIT_MULTILINE | TXTBIT_WORDWRAP));
    DWORD scroll = 0;
    host->TxGetScrollBars(&scroll);
    EXPECT_EQ(static_cast<DWORD>(ES_AUTOVSCROLL | ES_AUTOHSCROLL), scroll);
    EXPECT_EQ(0, GetWindowLongPtrW(owner.hwnd(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));

    HWND h = owner.hwnd();
    host->TxWindowProc(h, EM_LIMITTEXT, 4, 0);
    EXPECT_EQ(4u, box->GetMaxLength());
    host->TxWindowProc(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"longer than four"));
    EXPECT_EQ(L"longer than four", box->GetText());
    EXPECT_EQ(16u, box->GetMaxLength());  // grown to the text
    host->TxWindowProc(h, EM_EXLIMITTEXT, 0, 0);
    EXPECT_EQ(65536u, box->GetMaxLength());
    host->TxWindowProc(h, EM_SETEVENTMASK, 0, ENM_CHANGE);
    EXPECT_EQ(static_cast<LRESULT>(ENM_CHANGE), host->TxWindowProc(h, EM_GETEVENTMASK, 0, 0));

    box->RequestFocus();
    host->TxWindowProc(h, EM_SETREADONLY, TRUE, 0);
    host->TxGetPropertyBits(TXTBIT_READONLY, &bits);
    EXPECT_EQ(static_cast<DWORD>(TXTBIT_READONLY), bits);
    Type(*box, L"x");
    EXPECT_EQ(L"longer than four", box->GetText());
    host->TxWindowProc(h, EM_SETREADONLY, FALSE, 0);
    host->TxWindowProc(h, EM_SETSEL, -1, -1);  // the end of the (wrapped) text
    Type(*box, L"!");
    EXPECT_EQ(L"longer than four!", box->GetText());
}
