// Benchmark (not a test): tree build, whole-frame draw and text box draw times.
// usage: bench_layout.exe [rounds]   (run under wine64 from the test folder)
#include <cstdio>
#include <cstdlib>

#include "orbtextbox.h"
#include "orbuitestutil.h"

using namespace ORBUE;

namespace {

const wchar_t kLayout[] =
    L"<ORBCalendar><Dlg name=\"B\" width=\"200\" height=\"150\">"
    L"<Container name=\"Dlg\" rect=\"0,0,200,150\" resId=\"401\" type=\"PNG\">"
    L"<CaptionContainer name=\"Header\" rect=\"0,0,200,30\">"
    L"<Button name=\"Close\" rect=\"170,5,190,25\" resId=\"402\" type=\"PNG\" action=\"100\"/></CaptionContainer>"
    L"<Container name=\"Body\" rect=\"0,30,200,150\">"
    L"<CheckBox name=\"Chk\" rect=\"10,40,90,56\" resId=\"403\" type=\"PNG\" rectChk=\"10,40,26,56\" "
    L"rectLbl=\"27,40,90,56\" color=\"1,2,3\" checked=\"1\">Check</CheckBox>"
    L"<Progress name=\"Prog\" rect=\"10,120,110,130\" resId=\"405\" type=\"PNG\">"
    L"<Front rect=\"10,120,110,130\" spl=\"3\" spr=\"3\" resId=\"406\" type=\"PNG\"/></Progress>"
    L"<Carousel name=\"Show\" rect=\"40,40,100,80\" resId=\"408\" type=\"PNG\" framecount=\"2\"/>"
    L"<Label name=\"Lbl\" rect=\"5,5,50,20\" color=\"1,2,3\">Label</Label>"
    L"<TextBox name=\"Path\" rect=\"10,60,130,90\" resId=\"404\" type=\"PNG\" color=\"0,0,0\" "
    L"maxchar=\"256\">C:\\Program Files\\A Product With A Long Name\\bin</TextBox>"
    L"</Container></Container></Dlg></ORBCalendar>";

double Ms(LARGE_INTEGER a, LARGE_INTEGER b) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int rounds = argc > 1 ? _wtoi(argv[1]) : 200;
    if (rounds < 1) rounds = 1;
    GdiplusEnvironment gdiplus;
    gdiplus.SetUp();
    {
        TestOwner owner;
        pugi::xml_document doc;
        ParseLayout(doc, kLayout);
        pugi::xml_node root = DialogRoot(FindDialog(doc, L"B"));
        LARGE_INTEGER t0, t1;

        QueryPerformanceCounter(&t0);
        for (int i = 0; i < rounds; ++i) {
            owner.BuildTree(root);
            owner.tree.Reset();
        }
        QueryPerformanceCounter(&t1);
        printf("tree build + destroy: %.3f ms\n", Ms(t0, t1) / rounds);

        ContainerUIObjectImpl* tree = owner.BuildTree(root);
        QueryPerformanceCounter(&t0);
        for (int i = 0; i < rounds; ++i) DrawFrame(tree, 200, 150);
        QueryPerformanceCounter(&t1);
        printf("whole frame 200 x 150: %.3f ms\n", Ms(t0, t1) / rounds);

        IORBBaseUIObject* box = tree->FindContainer(L"Body")->FindControl(L"Path");
        QueryPerformanceCounter(&t0);
        for (int i = 0; i < rounds; ++i) DrawFrame(box, 200, 150);
        QueryPerformanceCounter(&t1);
        printf("text box alone (frame overhead included): %.3f ms\n", Ms(t0, t1) / rounds);
        printf("rounds: %d\n", rounds);
    }
    gdiplus.TearDown();
    return 0;
}
