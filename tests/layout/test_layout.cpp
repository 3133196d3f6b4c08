// The layout loader: attribute syntax, element recipes and their defaults, failures, and
// golden frames of a small product drawn by its preview.
#include <climits>

#include "orbcarousel.h"
#include "orbcontrols.h"
#include "orbhandle.h"
#include "orbplaceholder.h"
#include "orbtestutil.h"
#include "orbtextbox.h"
#include "orbuitestutil.h"

using namespace ORBUE;

namespace {

testing::Environment* const gdiplus = testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

// Builds the Container of Dlg `dlg` for owner; null when the lookup or build gives none.
ContainerUIObjectImpl* Build(pugi::xml_document& doc, const std::wstring& xml, TestOwner& owner,
                             const wchar_t* dlg = L"T") {
    EXPECT_TRUE(ParseLayout(doc, xml));
    return owner.BuildTree(DialogRoot(FindDialog(doc, dlg)));
}

std::wstring Dlg(const std::wstring& body, const std::wstring& root = L"rect=\"0,0,200,150\"") {
    return L"<ORBCalendar><Dlg name=\"T\"><Container name=\"Dlg\" " + root + L">" + body +
           L"</Container></Dlg></ORBCalendar>";
}

bool SameRect(const RECT& r, LONG l, LONG t, LONG rr, LONG b) {
    return r.left == l && r.top == t && r.right == rr && r.bottom == b;
}

// A size in points as the text box stores it: whole pixels at the screen's DPI, in twips.
LONG Twips(int points, TextBoxUIObjectImpl* box) {
    LONG dpi = box->host()->DpiY();
    return MulDiv(MulDiv(points, dpi, 72), 1440, dpi);
}

RECT RectOf(IORBBaseUIObject* o) {
    RECT r;
    o->GetRect(&r);
    return r;
}

}  // namespace

TEST(LayoutAttributes, RectangleFieldsThatDoNotScanKeepTheirValue) {
    RECT r = {9, 9, 9, 9};
    EXPECT_EQ(4, ScanRect(L"1,2,3,4", &r));
    EXPECT_TRUE(SameRect(r, 1, 2, 3, 4));
    EXPECT_EQ(2, ScanRect(L"5,6", &r));
    EXPECT_TRUE(SameRect(r, 5, 6, 3, 4));
    EXPECT_EQ(0, ScanRect(L"abc", &r));
    EXPECT_EQ(0, ScanRect(L"", &r));
    EXPECT_EQ(0, ScanRect(nullptr, &r));
    EXPECT_TRUE(SameRect(r, 5, 6, 3, 4));
    EXPECT_EQ(4, ScanRect(L" -1, +2,\t3, 4xyz", &r));
    EXPECT_TRUE(SameRect(r, -1, 2, 3, 4));
    EXPECT_EQ(1, ScanRect(L"7 ,8,9,10", &r));  // a literal comma must follow at once
    EXPECT_TRUE(SameRect(r, 7, 2, 3, 4));
    EXPECT_EQ(4, ScanRect(L"99999999999,-99999999999,0,0", &r));
    EXPECT_TRUE(SameRect(r, INT_MAX, INT_MIN, 0, 0));
}

TEST(LayoutAttributes, ColourNeedsThreeNumbersElseTheDefault) {
    BYTE rgb[3] = {1, 2, 3};
    EXPECT_TRUE(ScanColor(L"136,136,136", rgb));
    EXPECT_EQ(136, rgb[0]);
    EXPECT_TRUE(ScanColor(L"300,0,-1", rgb));  // low 8 bits of each
    EXPECT_EQ(300 & 0xFF, rgb[0]);
    EXPECT_EQ(0, rgb[1]);
    EXPECT_EQ(255, rgb[2]);
    for (const wchar_t* bad : {L"1,2", L"", L"red", L"1;2;3"}) {
        rgb[0] = rgb[1] = rgb[2] = 77;
        EXPECT_FALSE(ScanColor(bad, rgb)) << Narrow(bad);
        EXPECT_EQ(kDefaultTextRed, rgb[0]);
        EXPECT_EQ(kDefaultTextGreen, rgb[1]);
        EXPECT_EQ(kDefaultTextBlue, rgb[2]);
    }
    EXPECT_FALSE(ScanColor(nullptr, rgb));
}

TEST(LayoutAttributes, IntegerAndBooleanEdgeValues) {
    pugi::xml_document doc;
    ASSERT_TRUE(ParseLayout(doc, L"<E pt=\"12pt\" abc=\"abc\" neg=\" -7\" empty=\"\" hex=\"0x10\" big=\"99999999999\" "
                                 L"yes=\"yes\" True=\"True\" one=\"1\" zero=\"0\" no=\"no\" f=\"false\"/>"));
    pugi::xml_node e = doc.first_child();
    EXPECT_EQ(12, LayoutInt(e, L"pt", 10));
    EXPECT_EQ(0, LayoutInt(e, L"abc", 10));
    EXPECT_EQ(-7, LayoutInt(e, L"neg", 10));
    EXPECT_EQ(0, LayoutInt(e, L"empty", 10));
    EXPECT_EQ(0, LayoutInt(e, L"hex", 10));  // base 10: conversion stops at the x
    EXPECT_EQ(INT_MAX, LayoutInt(e, L"big", 10));
    EXPECT_EQ(10, LayoutInt(e, L"missing", 10));
    EXPECT_EQ(1000u, LayoutUInt(e, L"missing", 1000));
    EXPECT_EQ(12u, LayoutUInt(e, L"pt", 1000));
    EXPECT_TRUE(LayoutBool(e, L"yes", false));
    EXPECT_TRUE(LayoutBool(e, L"True", false));
    EXPECT_TRUE(LayoutBool(e, L"one", false));
    EXPECT_FALSE(LayoutBool(e, L"zero", true));
    EXPECT_FALSE(LayoutBool(e, L"no", true));
    EXPECT_FALSE(LayoutBool(e, L"f", true));
    EXPECT_FALSE(LayoutBool(e, L"empty", true));
    EXPECT_TRUE(LayoutBool(e, L"missing", true));
    EXPECT_EQ(L"", LayoutString(e, L"missing"));
}

TEST(LayoutAttributes, DialogLookupIsExactAndSizesDefault) {
    pugi::xml_document doc;
    ASSERT_TRUE(ParseLayout(doc, L"<AnyName><Other name=\"A\"/><Dlg name=\"a\"/><Dlg name=\"A\" width=\"640\"/>"
                                 L"<Dlg name=\"A\" width=\"1\"/><Dlg name=\"h\" width=\"0x200\"/></AnyName>"));
    pugi::xml_node a = FindDialog(doc, L"A");
    ASSERT_TRUE(a);
    EXPECT_EQ(640, DialogSize(a).cx);
    EXPECT_EQ(300, DialogSize(a).cy);
    EXPECT_EQ(400, DialogSize(FindDialog(doc, L"a")).cx);
    EXPECT_EQ(0, DialogSize(FindDialog(doc, L"h")).cx);  // decimal, in the setup and the preview alike
    EXPECT_FALSE(FindDialog(doc, L"B"));
    EXPECT_FALSE(DialogRoot(a));
}

TEST(LayoutLoader, EveryElementWithItsDefaults) {
    TestOwner owner;
    pugi::xml_document doc;
    ContainerUIObjectImpl* root = Build(doc, Dlg(
        L"<CaptionContainer name=\"Cap\" rect=\"0,0,200,30\"/>"
        L"<VerticalContainer name=\"Vert\" rect=\"0,30,200,90\" row=\"2\"/>"
        L"<GridContainer name=\"Grid\" rect=\"0,0,300,100\" col=\"3\" row=\"1\" vertical=\"y\"/>"
        L"<Button name=\"Btn\" rect=\"1,2,21,22\" resId=\"402\" type=\"PNG\"/>"
        L"<Label name=\"Lbl\" rect=\"5,5,50,20\" color=\"1,2,3\">Text</Label>"
        L"<TextBox name=\"Box\" rect=\"10,60,130,90\" resId=\"404\" type=\"PNG\" color=\"0,0,0\">Hi</TextBox>"
        L"<LinkLabel name=\"Lnk\" rect=\"5,25,50,40\" color=\"0,0,255\" action=\"104\">Link</LinkLabel>"
        L"<CheckBox name=\"Chk\" rect=\"10,40,100,56\" resId=\"403\" type=\"PNG\" rectChk=\"10,40,26,56\" "
        L"rectLbl=\"27,40,100,56\" color=\"1,1,1\">Label</CheckBox>"
        L"<Progress name=\"Prog\" rect=\"10,120,110,130\" resId=\"405\" type=\"PNG\">"
        L"<Front rect=\"10,121,110,131\" spl=\"3\" spr=\"3\" resId=\"406\" type=\"PNG\"/></Progress>"
        L"<Carousel name=\"Show\" rect=\"40,40,100,80\" resId=\"408\" type=\"PNG\"/>"
        L"<Picture name=\"Pic\" rect=\"140,40,180,70\" resId=\"407\" type=\"PNG\"/>"), owner);
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(root, UIObjectManager::GetInstance()->GetRoot(owner.hwnd()));
    EXPECT_EQ(L"Dlg", root->GetName());
    ASSERT_EQ(3u, root->containers().size());
    EXPECT_EQ(typeid(CaptionContainerUIObjectImpl), typeid(*root->containers()[0].get()));
    auto* vert = dynamic_cast<VerticalContainerUIObjectImpl*>(root->containers()[1].get());
    ASSERT_NE(nullptr, vert);
    EXPECT_EQ(2, vert->GetRows());
    auto* grid = dynamic_cast<GridContainerUIObjectImpl*>(root->containers()[2].get());
    ASSERT_NE(nullptr, grid);
    EXPECT_EQ(100, grid->GetCellWidth());
    EXPECT_EQ(100, grid->GetCellHeight());
    for (auto& c : root->containers()) {
        EXPECT_TRUE(c->IsVisible());
        EXPECT_TRUE(c->IsEnabled());
        EXPECT_EQ(owner.hwnd(), c->GetOwnerWindow());
    }

    ASSERT_EQ(8u, root->controls().size());
    auto* btn = dynamic_cast<ButtonUIObjectImpl*>(root->FindControl(L"Btn"));
    ASSERT_NE(nullptr, btn);
    EXPECT_EQ(static_cast<UINT>(WM_USER), btn->GetAction());  // no action: WM_USER + 0
    EXPECT_TRUE(SameRect(RectOf(btn), 1, 2, 21, 22));
    EXPECT_TRUE(btn->IsVisible());
    EXPECT_TRUE(btn->IsEnabled());
    auto* lbl = dynamic_cast<LabelUIObjectImpl*>(root->FindControl(L"Lbl"));
    ASSERT_NE(nullptr, lbl);
    EXPECT_EQ(L"Text", lbl->GetText());
    auto* box = dynamic_cast<TextBoxUIObjectImpl*>(root->FindControl(L"Box"));
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(box->IsCreated());
    EXPECT_EQ(L"Hi", box->GetText());
    EXPECT_TRUE(SameRect(box->GetClientRect(), 10, 60, 130, 90));  // no clrect: the rect
    EXPECT_EQ(65536u, box->GetMaxLength());                          // maxchar 0
    EXPECT_FALSE(box->IsMultiLine());
    EXPECT_EQ(Twips(10, box), box->host()->CharFormat().yHeight);   // 10 points
    EXPECT_EQ(std::wstring(L"Arial"), box->host()->CharFormat().szFaceName);
    EXPECT_FALSE(box->host()->CharFormat().dwEffects & CFE_BOLD);
    auto* lnk = dynamic_cast<LinkLabelUIObjectImpl*>(root->FindControl(L"Lnk"));
    ASSERT_NE(nullptr, lnk);
    EXPECT_EQ(static_cast<UINT>(WM_USER + 104), lnk->GetAction());
    EXPECT_EQ(L"Link", lnk->GetText());
    auto* chk = dynamic_cast<CheckBoxUIObjectImpl*>(root->FindControl(L"Chk"));
    ASSERT_NE(nullptr, chk);
    EXPECT_FALSE(chk->IsChecked());
    EXPECT_EQ(L"Label", chk->GetText());
    auto* prog = dynamic_cast<ProgressUIObjectImpl*>(root->FindControl(L"Prog"));
    ASSERT_NE(nullptr, prog);
    EXPECT_TRUE(SameRect(prog->GetFrontRect(), 10, 121, 110, 131));
    EXPECT_EQ(0, prog->GetPos());
    auto* show = dynamic_cast<CarouselUIObjectImpl*>(root->FindControl(L"Show"));
    ASSERT_NE(nullptr, show);
    EXPECT_EQ(1, show->GetFrameCount());
    EXPECT_EQ(0, show->GetCurrentFrame());
    EXPECT_FALSE(show->IsPlaying());
    EXPECT_NE(nullptr, dynamic_cast<PictureUIObjectImpl*>(root->FindControl(L"Pic")));

    owner.tree.Reset();
    EXPECT_EQ(nullptr, UIObjectManager::GetInstance()->GetRoot(owner.hwnd()));
}

TEST(LayoutLoader, FlagsAndNumbersReadAsTheTableSays) {
    TestOwner owner;
    pugi::xml_document doc;
    std::wstring body;
    const wchar_t* values[] = {L"visible=\"yes\"", L"visible=\"True\"", L"visible=\"1\"", L"visible=\"0\"",
                               L"visible=\"no\"", L"visible=\"\"", L""};
    for (int i = 0; i < 7; ++i)
        body += L"<Button name=\"B" + std::to_wstring(i) + L"\" rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\" " +
                values[i] + L"/>";
    body += L"<TextBox name=\"Pt\" rect=\"0,0,120,30\" resId=\"404\" type=\"PNG\" color=\"0,0,0\" size=\"12pt\" "
            L"bold=\"T\" font=\"Courier New\" maxchar=\"5\" multiline=\"Y\" enable=\"no\"/>"
            L"<TextBox name=\"Abc\" rect=\"0,0,120,30\" resId=\"404\" type=\"PNG\" color=\"0,0,0\" size=\"abc\"/>"
            L"<Carousel name=\"C\" rect=\"0,0,60,40\" resId=\"408\" type=\"PNG\" framecount=\"0\"/>"
            L"<VerticalContainer name=\"V\" rect=\"0,0,10,10\"/>";
    ContainerUIObjectImpl* root = Build(doc, Dlg(body), owner);
    ASSERT_NE(nullptr, root);
    const bool expected[] = {true, true, true, false, false, false, true};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(expected[i], root->FindControl(L"B" + std::to_wstring(i))->IsVisible()) << Narrow(values[i]);
    auto* pt = static_cast<TextBoxUIObjectImpl*>(root->FindControl(L"Pt"));
    EXPECT_EQ(Twips(12, pt), pt->host()->CharFormat().yHeight);  // 12 points
    EXPECT_TRUE(pt->host()->CharFormat().dwEffects & CFE_BOLD);
    EXPECT_EQ(std::wstring(L"Courier New"), pt->host()->CharFormat().szFaceName);
    EXPECT_EQ(5u, pt->GetMaxLength());
    EXPECT_TRUE(pt->IsMultiLine());
    EXPECT_FALSE(pt->IsEnabled());
    EXPECT_EQ(0, static_cast<TextBoxUIObjectImpl*>(root->FindControl(L"Abc"))->host()->CharFormat().yHeight);
    EXPECT_EQ(1, static_cast<CarouselUIObjectImpl*>(root->FindControl(L"C"))->GetFrameCount());
    EXPECT_EQ(1, static_cast<VerticalContainerUIObjectImpl*>(root->FindContainer(L"V"))->GetRows());
}

TEST(LayoutLoader, RectangleDefaultsFieldByField) {
    TestOwner owner;
    pugi::xml_document doc;
    ContainerUIObjectImpl* root = Build(doc, Dlg(
        L"<TextBox name=\"Two\" rect=\"10,20,130,50\" clrect=\"15,25\" resId=\"404\" type=\"PNG\" color=\"0,0,0\"/>"
        L"<TextBox name=\"Bad\" rect=\"10,20,130,50\" clrect=\"x,1,2,3\" resId=\"404\" type=\"PNG\" color=\"0,0,0\"/>"
        L"<Progress name=\"P\" rect=\"10,120,110,130\" resId=\"405\" type=\"PNG\">"
        L"<Front spl=\"1\" resId=\"406\" type=\"PNG\"/></Progress>"
        L"<Progress name=\"Q\" rect=\"10,120,110,130\" resId=\"405\" type=\"PNG\">"
        L"<Front rect=\"0,0\" resId=\"406\" type=\"PNG\"/></Progress>"), owner);
    ASSERT_NE(nullptr, root);
    auto client = [&](const wchar_t* n) { return static_cast<TextBoxUIObjectImpl*>(root->FindControl(n))->GetClientRect(); };
    EXPECT_TRUE(SameRect(client(L"Two"), 15, 25, 130, 50));
    EXPECT_TRUE(SameRect(client(L"Bad"), 10, 20, 130, 50));
    auto front = [&](const wchar_t* n) { return static_cast<ProgressUIObjectImpl*>(root->FindControl(n))->GetFrontRect(); };
    EXPECT_TRUE(SameRect(front(L"P"), 10, 120, 110, 130));
    EXPECT_TRUE(SameRect(front(L"Q"), 0, 0, 110, 130));
}

TEST(LayoutLoader, CheckBoxWithoutCharacterDataStillTakesItsSettings) {
    TestOwner owner;
    pugi::xml_document doc;
    ContainerUIObjectImpl* root = Build(doc, Dlg(
        L"<CheckBox name=\"Bare\" rect=\"10,40,26,56\" resId=\"403\" type=\"PNG\" color=\"9,9,9\" "
        L"rectChk=\"1,1,2,2\" action=\"7\" checked=\"true\" enable=\"0\"/>"
        L"<CheckBox name=\"Ws\" rect=\"30,40,46,56\" resId=\"403\" type=\"PNG\">   </CheckBox>"), owner);
    ASSERT_NE(nullptr, root);
    auto* bare = static_cast<CheckBoxUIObjectImpl*>(root->FindControl(L"Bare"));
    EXPECT_EQ(L"", bare->GetText());
    EXPECT_EQ(static_cast<UINT>(WM_USER + 7), bare->GetAction());
    EXPECT_TRUE(bare->IsChecked());
    EXPECT_FALSE(bare->IsEnabled());
    EXPECT_EQ(4, bare->GetState());  // checked and disabled
    // White space alone is no character data: the whole rect shows one image cell.
    auto* ws = static_cast<CheckBoxUIObjectImpl*>(root->FindControl(L"Ws"));
    EXPECT_EQ(L"", ws->GetText());
    std::vector<DWORD> px = DrawFrame(ws, 60, 60);
    ASSERT_FALSE(px.empty());
    EXPECT_NE(0u, px[48 * 60 + 38] >> 24);  // inside the cell, past its transparent border
}

TEST(LayoutLoader, ActionCodesAboveTheLimitLeaveTheControlWithoutAction) {
    // WM_USER + 10001 on are the UI objects' own messages (capture, focus, timers).
    TestOwner owner;
    pugi::xml_document doc;
    ContainerUIObjectImpl* root = Build(doc, Dlg(
        L"<Button name=\"Top\" rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\" action=\"10000\"/>"
        L"<Button name=\"Over\" rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\" action=\"10001\"/>"
        L"<LinkLabel name=\"Lnk\" rect=\"5,25,50,40\" action=\"10007\">x</LinkLabel>"
        L"<CheckBox name=\"Chk\" rect=\"10,40,26,56\" resId=\"403\" type=\"PNG\" action=\"4294967295\"/>"),
        owner);
    ASSERT_NE(nullptr, root);
    auto action = [&](const wchar_t* n) { return static_cast<ClickableUIObjectImpl*>(root->FindControl(n))->GetAction(); };
    EXPECT_EQ(static_cast<UINT>(WM_USER + 10000), action(L"Top"));
    for (const wchar_t* n : {L"Over", L"Lnk", L"Chk"}) EXPECT_EQ(static_cast<UINT>(WM_USER), action(n)) << Narrow(n);
}

TEST(LayoutLoader, PlaceholdersFillEveryTextKindAndButtonsDrawTheirCaption) {
    TestOwner owner;
    pugi::xml_document doc;
    ContainerUIObjectImpl* root = Build(doc, Dlg(
        L"<Button name=\"Btn\" rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\" color=\"0,0,0\" size=\"9\">$verb$</Button>"
        L"<Button name=\"Bare\" rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\"/>"
        L"<Label name=\"Lbl\" rect=\"0,30,100,50\" color=\"0,0,0\">$verb$ and $verb$, $none$</Label>"
        L"<LinkLabel name=\"Lnk\" rect=\"0,50,100,70\" color=\"0,0,0\">Read $doc$</LinkLabel>"
        L"<CheckBox name=\"Chk\" rect=\"0,70,100,86\" resId=\"403\" type=\"PNG\" rectChk=\"0,70,16,86\" "
        L"rectLbl=\"18,70,100,86\" color=\"0,0,0\">$doc$?</CheckBox>"
        L"<TextBox name=\"Box\" rect=\"0,90,100,110\" resId=\"404\" type=\"PNG\" color=\"0,0,0\">$none$</TextBox>"),
        owner);
    ASSERT_NE(nullptr, root);
    auto* btn = static_cast<ButtonUIObjectImpl*>(root->FindControl(L"Btn"));
    EXPECT_EQ(L"", static_cast<ButtonUIObjectImpl*>(root->FindControl(L"Bare"))->GetText());
    std::vector<DWORD> bare = DrawFrame(root->FindControl(L"Bare"), 20, 20);
    FillPlaceholders(root, [](const std::wstring& name) {
        return name == L"verb" ? std::wstring(L"Go") : name == L"doc" ? std::wstring(L"许可") : std::wstring();
    });
    EXPECT_EQ(L"Go", btn->GetText());
    EXPECT_EQ(L"Go and Go, $none$", static_cast<LabelUIObjectImpl*>(root->FindControl(L"Lbl"))->GetText());
    EXPECT_EQ(L"Read 许可", static_cast<LinkLabelUIObjectImpl*>(root->FindControl(L"Lnk"))->GetText());
    EXPECT_EQ(L"许可?", static_cast<CheckBoxUIObjectImpl*>(root->FindControl(L"Chk"))->GetText());
    EXPECT_EQ(L"$none$", static_cast<TextBoxUIObjectImpl*>(root->FindControl(L"Box"))->GetText());  // unset: kept
    // The caption is drawn over the image cell.
    std::vector<DWORD> captioned = DrawFrame(btn, 20, 20);
    ASSERT_EQ(bare.size(), captioned.size());
    int differ = 0;
    for (size_t i = 0; i < bare.size(); ++i) differ += bare[i] != captioned[i];
    EXPECT_GT(differ, 5);
}

TEST(LayoutLoader, NamesOrderAndSkippedElements) {
    TestOwner owner;
    pugi::xml_document doc;
    ASSERT_TRUE(ParseLayout(doc,
        L"<ORBCalendar><Dlg name=\"T\"><Note/><Button name=\"Stray\" resId=\"402\" type=\"PNG\"/>"
        L"<Container name=\"Dlg\" rect=\"0,0,200,150\">"
        L"<Button name=\"Same\" rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\" action=\"1\"/>"
        L"<Unknown><Button name=\"Hidden\" rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\"/>"
        L"<Container name=\"Nested\"/></Unknown>"
        L"<button name=\"Lower\" resId=\"402\" type=\"PNG\"/>"
        L"<Button name=\"Same\" rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\" action=\"2\">"
        L"<Button name=\"Child\" resId=\"0\"/></Button>"
        L"</Container><Container name=\"Second\"/></Dlg></ORBCalendar>"));
    ContainerUIObjectImpl* root = owner.BuildTree(DialogRoot(FindDialog(doc, L"T")));
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(L"Dlg", root->GetName());  // the first Container child, after other elements
    ASSERT_EQ(2u, root->controls().size());
    EXPECT_TRUE(root->containers().empty());
    EXPECT_EQ(static_cast<UINT>(WM_USER + 1), static_cast<ButtonUIObjectImpl*>(root->FindControl(L"Same"))->GetAction());
    EXPECT_EQ(nullptr, root->FindControl(L"Hidden"));
    EXPECT_EQ(nullptr, root->FindControl(L"Lower"));
}

TEST(LayoutLoader, InitDialogShapeKeepsDocumentOrder) {
    TestOwner owner;
    pugi::xml_document doc;
    ContainerUIObjectImpl* root = Build(doc,
        L"<ORBCalendar><Dlg name=\"InitDlg\" width=\"600\" height=\"430\">"
        L"<Container rect=\"0,0,600,430\" resId=\"401\" type=\"PNG\" name=\"Dlg\">"
        L"<CaptionContainer rect=\"0,0,680,79\" name=\"Header\">"
        L"<Button rect=\"560,15,580,35\" resId=\"402\" type=\"PNG\" name=\"CloseBtn\" action=\"100\"/></CaptionContainer>"
        L"<Container rect=\"0,230,600,430\" name=\"Body\" bkcolor=\"255,255,255\">"
        L"<Button rect=\"215,230,385,275\" resId=\"402\" type=\"PNG\" name=\"InstallBtn\" action=\"101\"/>"
        L"<CheckBox rect=\"221,295,298,315\" resId=\"403\" type=\"PNG\" name=\"LicenceChk\" rectChk=\"221,297,237,313\" "
        L"rectLbl=\"238,299,298,315\" font=\"宋体\" size=\"10\" color=\"136,136,136\" action=\"103\" checked=\"true\">"
        L"<![CDATA[阅读并同意]]></CheckBox>"
        L"<LinkLabel rect=\"318,298,398,312\" name=\"LicenceLnk\" font=\"宋体\" size=\"10\" color=\"136,136,136\" "
        L"action=\"104\">软件许可协议</LinkLabel>"
        L"<TextBox rect=\"155,353,420,385\" resId=\"404\" type=\"PNG\" name=\"InstallPath\" clrect=\"159,356,416,385\" "
        L"font=\"Arial\" size=\"12\" bold=\"true\" color=\"136,136,136\" maxchar=\"256\">$global_install_path$</TextBox>"
        L"<Button rect=\"420,353,457,385\" resId=\"402\" type=\"PNG\" name=\"SelectDirBtn\" action=\"105\"/>"
        L"<Container rect=\"0,79,600,430\" name=\"SettingsTwo\" visible=\"true\">"
        L"<CheckBox rect=\"67,395,207,415\" resId=\"403\" type=\"PNG\" name=\"QuickLaunchChk\" rectChk=\"67,395,83,415\" "
        L"rectLbl=\"83,397,207,415\" font=\"宋体\" size=\"10\" color=\"136,136,136\" checked=\"true\">创建任务栏快捷方式</CheckBox>"
        L"</Container></Container></Container></Dlg></ORBCalendar>", owner, L"InitDlg");
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(L"Dlg", root->GetName());
    ASSERT_EQ(2u, root->containers().size());
    EXPECT_EQ(L"Header", root->containers()[0]->GetName());
    EXPECT_EQ(typeid(CaptionContainerUIObjectImpl), typeid(*root->containers()[0].get()));
    EXPECT_NE(nullptr, root->containers()[0]->FindControl(L"CloseBtn"));
    ContainerUIObjectImpl* body = root->containers()[1].get();
    EXPECT_EQ(L"Body", body->GetName());
    ASSERT_EQ(1u, body->containers().size());
    EXPECT_EQ(L"SettingsTwo", body->containers()[0]->GetName());
    std::vector<std::wstring> names;
    for (auto& c : body->controls()) names.push_back(c->GetName());
    EXPECT_EQ((std::vector<std::wstring>{L"InstallBtn", L"LicenceChk", L"LicenceLnk", L"InstallPath", L"SelectDirBtn"}),
              names);
    auto* path = static_cast<TextBoxUIObjectImpl*>(body->FindControl(L"InstallPath"));
    EXPECT_EQ(L"$global_install_path$", path->GetText());  // placeholders are the dialogs' business
    EXPECT_EQ(256u, path->GetMaxLength());
    EXPECT_TRUE(SameRect(path->GetClientRect(), 159, 356, 416, 385));
    EXPECT_EQ(L"阅读并同意", static_cast<CheckBoxUIObjectImpl*>(body->FindControl(L"LicenceChk"))->GetText());
    EXPECT_EQ(1u, root->FindControlsByType<TextBoxUIObjectImpl>().size());
    EXPECT_EQ(2u, root->FindControlsByType<CheckBoxUIObjectImpl>().size());
}

TEST(LayoutLoader, MissingImageStopsTheBuildWithThePartialTreeRecorded) {
    TestOwner owner;
    pugi::xml_document doc;
    ASSERT_TRUE(ParseLayout(doc, Dlg(L"<Button name=\"Ok\" rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\"/>"
                                     L"<Container name=\"Inner\"><Button name=\"Zero\" resId=\"0\" type=\"PNG\"/></Container>"
                                     L"<Button name=\"After\" rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\"/>")));
    UIObjectManager* m = UIObjectManager::GetInstance();
    HRESULT caught = S_OK;
    owner.BuildTree(DialogRoot(FindDialog(doc, L"T")), &caught);
    EXPECT_EQ(E_FAIL, caught);
    auto* root = static_cast<ContainerUIObjectImpl*>(m->GetRoot(owner.hwnd()));
    ASSERT_NE(nullptr, root);
    // The root's own children came first (document order); the inner level stopped.
    EXPECT_EQ(2u, root->controls().size());
    ASSERT_EQ(1u, root->containers().size());
    EXPECT_TRUE(root->containers()[0]->controls().empty());
    owner.tree.Reset();
    EXPECT_EQ(nullptr, m->GetRoot(owner.hwnd()));

    for (const wchar_t* bad : {L"<Button rect=\"0,0,20,20\" resId=\"999\" type=\"PNG\"/>",
                               L"<Button rect=\"0,0,20,20\" resId=\"402\" type=\"XML\"/>",
                               L"<LinkLabel resId=\"402\" color=\"0,0,0\">x</LinkLabel>",
                               L"<Progress rect=\"0,0,10,10\" resId=\"405\" type=\"PNG\"/>",
                               L"<TextBox rect=\"0,0,10,10\" color=\"0,0,0\"/>",
                               L"<Carousel rect=\"0,0,10,10\" resId=\"0\"/>"}) {
        pugi::xml_document d;
        ASSERT_TRUE(ParseLayout(d, Dlg(bad)));
        owner.BuildTree(DialogRoot(FindDialog(d, L"T")), &caught);
        EXPECT_EQ(E_FAIL, caught) << Narrow(bad);
        EXPECT_NE(nullptr, m->GetRoot(owner.hwnd()));
        owner.tree.Reset();
    }
}

TEST(LayoutLoader, RootThatCannotBeBuiltGivesNullAndRecordsNothing) {
    TestOwner owner;
    UIObjectManager* m = UIObjectManager::GetInstance();
    size_t before = m->TreeCount();
    pugi::xml_document doc;
    EXPECT_EQ(nullptr, Build(doc, Dlg(L"<Button rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\"/>",
                                      L"rect=\"0,0,10,10\" resId=\"999\" type=\"PNG\""), owner));
    EXPECT_EQ(before, m->TreeCount());
    EXPECT_EQ(nullptr, m->GetRoot(owner.hwnd()));

    // Not a Container: nothing is built; an earlier tree of the window is returned.
    pugi::xml_document other;
    ASSERT_TRUE(ParseLayout(other, L"<ORBCalendar><Dlg name=\"T\"><Containers/></Dlg></ORBCalendar>"));
    EXPECT_EQ(nullptr, owner.BuildTree(DialogRoot(FindDialog(other, L"T"))));
    EXPECT_EQ(nullptr, owner.BuildTree(pugi::xml_node()));
    IORBBaseUIObject* first = Build(doc, Dlg(L""), owner);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, owner.BuildTree(other.first_child()));
}

TEST(LayoutLoader, TreeIsFoundByItsWindowWhileItsHolderKeepsIt) {
    TestOwner owner;
    UIObjectManager* m = UIObjectManager::GetInstance();
    pugi::xml_document doc;
    ASSERT_TRUE(ParseLayout(doc, Dlg(L"<Button name=\"Ok\" rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\"/>")));
    const size_t before = m->TreeCount();
    {
        UITree first;
        ContainerUIObjectImpl* one = first.Build(owner.hwnd(), DialogRoot(FindDialog(doc, L"T")));
        ASSERT_NE(nullptr, one);
        EXPECT_EQ(one, m->GetRoot(owner.hwnd()));
        // A second tree for the same window takes its place; the first going leaves it there.
        {
            UITree second;
            ContainerUIObjectImpl* two = second.Build(owner.hwnd(), DialogRoot(FindDialog(doc, L"T")));
            ASSERT_NE(nullptr, two);
            EXPECT_EQ(two, m->GetRoot(owner.hwnd()));
            first.Reset();
            EXPECT_EQ(nullptr, first.root());
            EXPECT_EQ(two, m->GetRoot(owner.hwnd()));
        }
        EXPECT_EQ(nullptr, m->GetRoot(owner.hwnd()));
        EXPECT_NE(nullptr, first.Build(owner.hwnd(), DialogRoot(FindDialog(doc, L"T"))));
    }
    EXPECT_EQ(nullptr, m->GetRoot(owner.hwnd()));
    EXPECT_EQ(before, m->TreeCount());
}

TEST(LayoutLoader, MissingColourUsesTheDefaultAndSaysSo) {
    TestOwner owner;
    LogCapture log;
    pugi::xml_document doc;
    ContainerUIObjectImpl* root = Build(doc, Dlg(
        L"<TextBox name=\"NoColour\" rect=\"0,0,120,30\" resId=\"404\" type=\"PNG\"/>"
        L"<TextBox name=\"Partial\" rect=\"0,0,120,30\" resId=\"404\" type=\"PNG\" color=\"255,255\"/>"
        L"<Label name=\"L\" rect=\"0,0,10,10\"/>"), owner);
    ASSERT_NE(nullptr, root);
    for (const wchar_t* n : {L"NoColour", L"Partial"})
        EXPECT_EQ(RGB(kDefaultTextRed, kDefaultTextGreen, kDefaultTextBlue),
                  static_cast<TextBoxUIObjectImpl*>(root->FindControl(n))->host()->CharFormat().crTextColor);
    EXPECT_TRUE(log.Has(L"<TextBox name=\"Partial\"> has no usable color"));
    EXPECT_TRUE(log.Has(L"<Label name=\"L\"> has no usable color"));
}

// ---- golden frames through the preview of the layout_golden product -------------------

namespace {

ORBRunResult RunPreview(const std::wstring& exe, const std::wstring& args) {
    ORBRunOptions o;
    o.exe = exe;
    o.arguments = args;
    o.timeoutMs = 60000;
    return ORBRunSetup(o);
}

// Counts pixels whose channels differ by more than tolerance; reports the first one.
int Mismatches(const std::vector<DWORD>& a, const std::vector<DWORD>& b, int width, int tolerance,
               std::string* first) {
    int n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (ChannelDiff(a[i], b[i]) > tolerance) {
            if (n++ == 0) {
                char buf[96];
                sprintf(buf, "(%d,%d) got %08lX want %08lX", static_cast<int>(i % width), static_cast<int>(i / width),
                        static_cast<unsigned long>(a[i]), static_cast<unsigned long>(b[i]));
                *first = buf;
            }
        }
    }
    return n;
}

const int kTolerance = 3;  // per channel: rounding of premultiplied alpha

void ExpectGolden(const std::wstring& png) {
    int w = 0, h = 0, gw = 0, gh = 0;
    std::vector<DWORD> got = ReadPng(png, &w, &h);
    std::vector<DWORD> want = ReadPng(TestPath(L"golden-GoldenDlg.png"), &gw, &gh);
    ASSERT_FALSE(got.empty());
    ASSERT_FALSE(want.empty());
    ASSERT_EQ(gw, w);
    ASSERT_EQ(gh, h);
    std::string first;
    EXPECT_EQ(0, Mismatches(got, want, w, kTolerance, &first)) << first;
}

}  // namespace

TEST(LayoutLoader, FocusColourReachesNestedContainersUnlessTheyHaveTheirOwn) {
    TestOwner owner;
    LogCapture log;
    pugi::xml_document doc;
    ContainerUIObjectImpl* root = Build(doc, Dlg(
        L"<Container name=\"Inherits\" rect=\"0,0,200,70\">"
        L"<Button name=\"B\" rect=\"10,10,50,30\" resId=\"402\" type=\"PNG\" action=\"100\"/></Container>"
        L"<Container name=\"Own\" rect=\"0,70,200,150\" focuscolor=\"0,0,255\"/>"
        L"<Container name=\"Bad\" rect=\"0,70,200,150\" focuscolor=\"red\"/>",
        L"rect=\"0,0,200,150\" focuscolor=\"255,0,0\""), owner);
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(0xFFFF0000u, root->FindContainer(L"Inherits")->GetFocusColor());
    EXPECT_EQ(0xFF0000FFu, root->FindContainer(L"Own")->GetFocusColor());
    EXPECT_EQ(0xFFFF0000u, root->FindContainer(L"Bad")->GetFocusColor());
    EXPECT_TRUE(log.Has(L"<Container name=\"Bad\"> has no usable focuscolor"));

    auto* button = static_cast<ClickableUIObjectImpl*>(root->FindContainer(L"Inherits")->FindControl(L"B"));
    button->RequestFocus();
    button->ShowFocusMark();
    const std::vector<DWORD> frame = DrawFrame(root, 200, 150);
    ASSERT_FALSE(frame.empty());
    int red = 0;
    for (int x = 9; x <= 50; ++x) red += frame[9 * 200 + x] == 0xFFFF0000u;  // the mark's top edge
    EXPECT_GT(red, 10);
}

TEST(LayoutGolden, PreviewFrameMatchesTheComposedGolden) {
    ScopedTempDir dir(L"golden");
    std::wstring out = dir.file(L"golden.png");
    ORBRunResult r = RunPreview(TestPath(L"layout_golden-preview.exe"), L"GoldenDlg \"" + out + L"\"");
    ASSERT_TRUE(r.started);
    EXPECT_EQ(0u, r.exitCode);
    ExpectGolden(out);
}

TEST(LayoutGolden, PlantedRichEditBesideTheProgramIsNeverLoaded) {
    ScopedTempDir dir(L"planted");
    std::wstring exe = dir.file(L"setup-preview.exe");
    ASSERT_TRUE(CopyFileW(TestPath(L"layout_golden-preview.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(dir.file(L"riched20.dll"), "MZ this is not a library"));
    std::wstring out = dir.file(L"out.png");
    ORBRunResult r = RunPreview(exe, L"GoldenDlg \"" + out + L"\"");
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_FALSE(r.HasLine(L"Riched20.dll cannot be loaded"));
    ExpectGolden(out);  // the text box was drawn: the system's library did the work
}

TEST(LayoutGolden, PreviewFillsPlaceholdersOnlyWhenAsked) {
    ScopedTempDir dir(L"globals");
    std::wstring plain = dir.file(L"plain.png"), filled = dir.file(L"filled.png");
    std::wstring exe = TestPath(L"layout_golden-preview.exe");
    EXPECT_EQ(0u, RunPreview(exe, L"TextDlg \"" + plain + L"\"").exitCode);
    EXPECT_EQ(0u, RunPreview(exe, L"--globals TextDlg \"" + filled + L"\"").exitCode);
    int w = 0, h = 0;
    std::vector<DWORD> a = ReadPng(plain, &w, &h), b = ReadPng(filled, &w, &h);
    ASSERT_FALSE(a.empty());
    ASSERT_EQ(a.size(), b.size());
    std::string first;
    EXPECT_GT(Mismatches(a, b, w, 0, &first), 0);

    // --set fills a placeholder before the globals, so it wins over them.
    std::wstring set = dir.file(L"set.png");
    EXPECT_EQ(0u, RunPreview(exe, L"--globals --set \"global_greeting=Hi there\" TextDlg \"" + set + L"\"").exitCode);
    std::vector<DWORD> c = ReadPng(set, &w, &h);
    ASSERT_EQ(a.size(), c.size());
    EXPECT_GT(Mismatches(c, a, w, 0, &first), 0);
    EXPECT_GT(Mismatches(c, b, w, 0, &first), 0);
    EXPECT_EQ(1u, RunPreview(exe, L"--set novalue TextDlg \"" + set + L"\"").exitCode);
}

TEST(LayoutGolden, PreviewFailuresAreClearAndWriteNothing) {
    ScopedTempDir dir(L"fail");
    std::wstring exe = TestPath(L"layout_golden-preview.exe");
    std::wstring out = dir.file(L"x.png");
    EXPECT_EQ(1u, RunPreview(exe, L"").exitCode);
    EXPECT_EQ(3u, RunPreview(exe, L"NoSuchDlg \"" + out + L"\"").exitCode);
    EXPECT_EQ(3u, RunPreview(exe, L"BrokenDlg \"" + out + L"\"").exitCode);
    EXPECT_FALSE(FileExists(out));
    EXPECT_EQ(4u, RunPreview(exe, L"GoldenDlg \"" + dir.file(L"no\\such\\dir\\x.png") + L"\"").exitCode);
}

// --scale draws the dialog as a scaled display shows it: twice the pixels at 200 %, each
// flat area of the golden frame where twice its coordinates say; a bad scale is a usage error.
TEST(LayoutGolden, PreviewScaleDrawsTheDialogAtTwiceThePixels) {
    ScopedTempDir dir(L"scale");
    const std::wstring exe = TestPath(L"layout_golden-preview.exe"), out = dir.file(L"200.png");
    ASSERT_EQ(0u, RunPreview(exe, L"--scale 200% GoldenDlg \"" + out + L"\"").exitCode);
    int w = 0, h = 0, gw = 0, gh = 0;
    std::vector<DWORD> got = ReadPng(out, &w, &h), want = ReadPng(TestPath(L"golden-GoldenDlg.png"), &gw, &gh);
    ASSERT_FALSE(got.empty());
    ASSERT_EQ(2 * gw, w);
    ASSERT_EQ(2 * gh, h);
    int checked = 0, wrong = 0;
    std::string first;
    for (int y = 1; y + 1 < gh; ++y)
        for (int x = 1; x + 1 < gw; ++x) {
            const DWORD p = want[size_t(y) * gw + x];
            bool flat = true;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) flat = flat && want[size_t(y + dy) * gw + x + dx] == p;
            if (!flat) continue;
            ++checked;
            const DWORD q = got[size_t(2 * y + 1) * w + 2 * x + 1];
            if (ChannelDiff(p, q) > kTolerance && wrong++ == 0)
                first = "(" + std::to_string(x) + "," + std::to_string(y) + ")";
        }
    EXPECT_GT(checked, 1000);  // the golden frame has gradients: only its flat areas count
    EXPECT_EQ(0, wrong) << first;
    for (const wchar_t* bad : {L"--scale 0", L"--scale abc", L"--scale 1000%", L"--scale"})
        EXPECT_EQ(1u, RunPreview(exe, std::wstring(bad) + L" GoldenDlg \"" + out + L"\"").exitCode) << Narrow(bad);
}

#ifdef ORB_SAMPLE_PREVIEW
// The sample product's skin is drawn by another script and changes with it, so its
// frames are checked for shape, not pixel by pixel: every dialog builds, has the size
// its Dlg gives, and is opaque where its full-window background lies.
TEST(LayoutGolden, EveryDialogOfTheSampleProductRenders) {
    std::string bytes = ReadFileBytes(ORB_SAMPLE_LAYOUT);
    ASSERT_FALSE(bytes.empty());
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_buffer(bytes.data(), bytes.size()));  // the source is UTF-8
    ScopedTempDir dir(L"sample");
    int dialogs = 0;
    for (pugi::xml_node dlg : doc.first_child().children(L"Dlg")) {
        std::wstring name = dlg.attribute(L"name").value();
        std::wstring out = dir.file(name + L".png");
        ORBRunResult r = RunPreview(ORB_SAMPLE_PREVIEW, name + L" \"" + out + L"\"");
        EXPECT_EQ(0u, r.exitCode) << Narrow(name);
        int w = 0, h = 0;
        std::vector<DWORD> px = ReadPng(out, &w, &h);
        ASSERT_FALSE(px.empty()) << Narrow(name);
        SIZE size = DialogSize(dlg);
        EXPECT_EQ(size.cx, w) << Narrow(name);
        EXPECT_EQ(size.cy, h) << Narrow(name);
        EXPECT_EQ(0xFFu, px[static_cast<size_t>(h / 2) * w + w / 2] >> 24) << Narrow(name);
        ++dialogs;
    }
    EXPECT_GE(dialogs, 3);
}
#endif
