// Bad layout input: a clear failure or a sane tree, never a crash.
#include <random>

#include "orbtestutil.h"
#include "orbtextbox.h"
#include "orbuitestutil.h"

using namespace ORBUE;

namespace {

const wchar_t kValid[] =
    L"<ORBCalendar><Dlg name=\"T\" width=\"200\" height=\"150\">"
    L"<Container name=\"Dlg\" rect=\"0,0,200,150\" resId=\"401\" type=\"PNG\">"
    L"<CaptionContainer name=\"Header\" rect=\"0,0,200,30\">"
    L"<Button name=\"Close\" rect=\"170,5,190,25\" resId=\"402\" type=\"PNG\" action=\"100\"/></CaptionContainer>"
    L"<GridContainer name=\"G\" rect=\"0,30,200,90\" col=\"2\" row=\"2\"><Container rect=\"0,0,10,10\"/></GridContainer>"
    L"<VerticalContainer name=\"V\" rect=\"0,90,200,150\" row=\"3\"><Container rect=\"0,0,10,10\"/></VerticalContainer>"
    L"<Container name=\"Body\" rect=\"0,30,200,150\">"
    L"<CheckBox name=\"Chk\" rect=\"10,40,90,56\" resId=\"403\" type=\"PNG\" rectChk=\"10,40,26,56\" "
    L"rectLbl=\"27,40,90,56\" color=\"1,2,3\" checked=\"1\">Check</CheckBox>"
    L"<Progress name=\"Prog\" rect=\"10,120,110,130\" resId=\"405\" type=\"PNG\">"
    L"<Front rect=\"10,120,110,130\" spl=\"3\" spr=\"3\" resId=\"406\" type=\"PNG\"/></Progress>"
    L"<Picture name=\"Pic\" rect=\"140,40,180,70\" resId=\"407\" type=\"PNG\"/>"
    L"<Carousel name=\"Show\" rect=\"40,40,100,80\" resId=\"408\" type=\"PNG\" framecount=\"2\"/>"
    L"<Label name=\"Lbl\" rect=\"5,5,50,20\" color=\"1,2,3\" size=\"9\">Label</Label>"
    L"<LinkLabel name=\"Lnk\" rect=\"5,25,50,40\" color=\"0,0,255\" action=\"104\">Link</LinkLabel>"
    L"<TextBox name=\"Path\" rect=\"10,60,130,90\" clrect=\"12,62,128,88\" resId=\"404\" type=\"PNG\" "
    L"color=\"0,0,0\" maxchar=\"20\">C:\\Program Files</TextBox>"
    L"</Container></Container></Dlg></ORBCalendar>";

// Parses, builds, draws and destroys; true when a tree was built completely.
bool Exercise(TestOwner& owner, const pugi::xml_document& doc) {
    HRESULT hr = S_OK;
    bool complete = owner.BuildTree(DialogRoot(FindDialog(doc, L"T")), &hr) != nullptr;
    if (FAILED(hr)) {
        EXPECT_EQ(E_FAIL, hr);
        complete = false;
    }
    if (IORBBaseUIObject* root = owner.tree.root()) {
        DrawFrame(root, 200, 150);
        root->OnMouseMove(MouseEvent::At(20, 70));
        root->OnLButtonDown(MouseEvent::At(20, 70));
        root->OnLButtonUp(MouseEvent::At(20, 70));
    }
    owner.tree.Reset();
    return complete;
}

}  // namespace

TEST(LayoutInput, MalformedDocumentsAndWrongEncodingsFailToParse) {
    pugi::xml_document doc;
    EXPECT_FALSE(ParseLayout(doc, L"<ORBCalendar><Dlg name=\"T\"></ORBCalendar>"));
    EXPECT_FALSE(ParseLayout(doc, L"<ORBCalendar><Dlg name=\"T></Dlg></ORBCalendar>"));
    EXPECT_FALSE(ParseLayout(doc, L""));
    // UTF-8 bytes read as UTF-16LE are no XML at all.
    std::string utf8 = "<ORBCalendar><Dlg name=\"T\"/></ORBCalendar>";
    EXPECT_FALSE(LoadLayoutDocument(doc, utf8.data(), utf8.size()));
    // UTF-16BE with its mark: the buffer is declared LE, so nothing sane comes out.
    std::string be = "\xFE\xFF";
    for (char c : utf8) be += std::string{'\0', c};
    pugi::xml_parse_result r = LoadLayoutDocument(doc, be.data(), be.size());
    EXPECT_TRUE(!r || !FindDialog(doc, L"T"));
    // An odd byte count: the last byte is dropped, nothing more.
    std::wstring ok = L"<ORBCalendar><Dlg name=\"T\"/></ORBCalendar>";
    std::string odd(reinterpret_cast<const char*>(ok.data()), ok.size() * 2);
    odd += 'x';
    EXPECT_TRUE(LoadLayoutDocument(doc, odd.data(), odd.size()));
    EXPECT_TRUE(FindDialog(doc, L"T"));
}

TEST(LayoutInput, AbsurdRectanglesAndHugeNumbersGiveASaneTree) {
    TestOwner owner;
    pugi::xml_document doc;
    ASSERT_TRUE(ParseLayout(doc,
        L"<ORBCalendar><Dlg name=\"T\"><Container rect=\"2147483647,-2147483648,-5,99999999999\">"
        L"<TextBox name=\"Huge\" rect=\"0,0,2000000000,2000000000\" resId=\"404\" type=\"PNG\" color=\"0,0,0\" "
        L"maxchar=\"99999999999\" size=\"99999999\"/>"
        L"<TextBox name=\"Inverted\" rect=\"130,90,10,60\" resId=\"404\" type=\"PNG\" color=\"0,0,0\" maxchar=\"-4\" "
        L"size=\"-3\">text</TextBox>"
        L"<GridContainer rect=\"0,0,5,5\" col=\"-3\" row=\"99999999999\"><Container/></GridContainer>"
        L"<VerticalContainer rect=\"0,0,-5,-5\" row=\"-1\"><Container/></VerticalContainer>"
        L"<Carousel rect=\"0,0,-60,40\" resId=\"408\" type=\"PNG\" framecount=\"-7\" interval=\"-1\"/>"
        L"<Progress rect=\"0,0,100,10\" resId=\"405\" type=\"PNG\"><Front rect=\"100,0,0,10\" spl=\"500\" "
        L"spr=\"-500\" resId=\"406\" type=\"PNG\"/></Progress>"
        L"<CheckBox rect=\"-10,-10,-20,-20\" resId=\"403\" type=\"PNG\" rectChk=\"5,5,-5,-5\" color=\"0,0,0\">x</CheckBox>"
        L"</Container></Dlg></ORBCalendar>"));
    auto* root = static_cast<ContainerUIObjectImpl*>(
        owner.BuildTree(DialogRoot(FindDialog(doc, L"T"))));
    ASSERT_NE(nullptr, root);
    auto* huge = static_cast<TextBoxUIObjectImpl*>(root->FindControl(L"Huge"));
    EXPECT_EQ(2147483647u, huge->GetMaxLength());
    LONG dpi = huge->host()->DpiY();
    EXPECT_EQ(MulDiv(MulDiv(1000, dpi, 72), 1440, dpi), huge->host()->CharFormat().yHeight);  // 1000 points
    auto* inverted = static_cast<TextBoxUIObjectImpl*>(root->FindControl(L"Inverted"));
    EXPECT_EQ(65536u, inverted->GetMaxLength());
    EXPECT_EQ(L"text", inverted->GetText());
    DrawFrame(root, 200, 150);
    huge->SetRect(0, 0, 0, 0);
    inverted->SetRect(5, 5, 5, 5);
    DrawFrame(root, 200, 150);
    owner.tree.Reset();
}

TEST(LayoutInput, ThousandNestedContainersBuildDrawAndGo) {
    TestOwner owner;
    std::wstring xml = L"<ORBCalendar><Dlg name=\"T\">";
    const int depth = 1000;
    for (int i = 0; i < depth; ++i) xml += L"<Container rect=\"0,0,200,150\" name=\"c" + std::to_wstring(i) + L"\">";
    xml += L"<Button rect=\"0,0,20,20\" resId=\"402\" type=\"PNG\" name=\"Deep\"/>";
    for (int i = 0; i < depth; ++i) xml += L"</Container>";
    xml += L"</Dlg></ORBCalendar>";
    pugi::xml_document doc;
    ASSERT_TRUE(ParseLayout(doc, xml));
    auto* root = static_cast<ContainerUIObjectImpl*>(
        owner.BuildTree(DialogRoot(FindDialog(doc, L"T"))));
    ASSERT_NE(nullptr, root);
    ContainerUIObjectImpl* c = root;
    int levels = 1;
    while (!c->containers().empty()) {
        c = c->containers()[0].get();
        ++levels;
    }
    EXPECT_EQ(depth, levels);
    EXPECT_NE(nullptr, c->FindControl(L"Deep"));
    std::vector<DWORD> px = DrawFrame(root, 200, 150);
    ASSERT_FALSE(px.empty());
    EXPECT_NE(0u, px[10 * 200 + 10] >> 24);  // the deepest button was drawn
    owner.tree.Reset();
}

TEST(LayoutInput, NestingBeyondTheLimitIsCutNotFollowed) {
    TestOwner owner;
    LogCapture log;
    std::wstring xml = L"<ORBCalendar><Dlg name=\"T\">";
    const int depth = 5000;
    for (int i = 0; i < depth; ++i) xml += L"<Container name=\"c" + std::to_wstring(i) + L"\">";
    for (int i = 0; i < depth; ++i) xml += L"</Container>";
    xml += L"</Dlg></ORBCalendar>";
    pugi::xml_document doc;
    ASSERT_TRUE(ParseLayout(doc, xml));
    auto* root = static_cast<ContainerUIObjectImpl*>(
        owner.BuildTree(DialogRoot(FindDialog(doc, L"T"))));
    ASSERT_NE(nullptr, root);
    int levels = 1;
    for (ContainerUIObjectImpl* c = root; !c->containers().empty(); c = c->containers()[0].get()) ++levels;
    EXPECT_EQ(2000, levels);
    EXPECT_TRUE(log.Has(L"Container \"c2000\" lies deeper than 2000 levels and is skipped"));
    DrawFrame(root, 200, 150);
    owner.tree.Reset();
}

TEST(LayoutInput, RandomMutantsOfAValidLayoutNeverCrash) {
    TestOwner owner;
    pugi::xml_document doc;
    ASSERT_TRUE(ParseLayout(doc, kValid));
    ASSERT_TRUE(Exercise(owner, doc));

    // Fixed seed and count: the same mutants every run.
    std::mt19937 rng(20261208);
    const wchar_t* const pieces[] = {L"<", L">", L"\"", L"/", L"Container", L"-99999999999", L"0", L",",
                                     L"<Container>", L"</Container>", L"resId=\"0\"", L"&amp;", L"<![CDATA[",
                                     L"$", L"\xFFFF", L"\xD800", L" ", L"=", L"TextBox", L"Front"};
    const int kMutants = 300;
    int parsed = 0, built = 0;
    for (int n = 0; n < kMutants; ++n) {
        std::wstring text = kValid;
        int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            size_t at = rng() % text.size();
            switch (rng() % 4) {
            case 0: text.erase(at, 1 + rng() % 12); break;
            case 1: text.insert(at, pieces[rng() % (sizeof pieces / sizeof pieces[0])]); break;
            case 2: text[at] = static_cast<wchar_t>(rng() % 0x80); break;
            default: {  // swap two runs: moves attributes and elements around
                size_t len = 1 + rng() % 30, other = rng() % text.size();
                std::wstring a = text.substr(at, len);
                text.erase(at, len);
                text.insert(std::min(other, text.size()), a);
            }
            }
        }
        pugi::xml_document d;
        if (!ParseLayout(d, text)) continue;
        ++parsed;
        built += Exercise(owner, d);
    }
    EXPECT_GT(parsed, 0);
    EXPECT_EQ(0u, UIObjectManager::GetInstance()->TreeCount());
    RecordProperty("parsed", parsed);
    RecordProperty("built", built);
}
