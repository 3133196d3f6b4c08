#include "orbdialogsequence.h"

#include <windows.h>

#include "orbappmodule.h"
#include "orbcompletedlg.h"
#include "orbinitdlg.h"
#include "orbinstalldlg.h"
#include "orblog.h"
#include "orblogtexts.h"
#include "orbmessageloop.h"
#include "orbresource.h"
#include "orbscriptengine.h"
#include "orbscriptnames.h"
#include "orbstring.h"

namespace {

void RegisterDialogClass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!GetClassInfoExW(instance, L"#32770", &wc)) return;
    wc.hInstance = instance;
    wc.lpszClassName = L"Orb_Installer";
    RegisterClassExW(&wc);  // the result is ignored: a second registration is harmless
}

// Runs one dialog with a message loop of its own, registered for this thread while it
// runs; returns the loop's quit code, or 0 when the window cannot be created. *shown
// tells whether the dialog got as far as showing its UI tree.
template <class Dialog>
int RunDialog(const pugi::xml_node& node, bool* shown = nullptr) {
    ORBMessageLoop loop;
    g_orbModule.RemoveMessageLoop();  // a loop left from an earlier dialog
    g_orbModule.AddMessageLoop(&loop);
    int code = 0;
    {
        Dialog dialog(node);
        if (dialog.CreateAndShow()) code = loop.Run();
        if (shown) *shown = dialog.TreeBuilt();
    }
    g_orbModule.RemoveMessageLoop();
    return code;
}

}  // namespace

bool ORBDialogSequence::LoadLayout() {
    ORBResourceData res = ORBLoadResource(nullptr, ORB_RES_W(ORB_RT_XML), ORB_RES_W(ORB_RN_LAYOUT));
    if (!ORBResourceUsable(res, kORBLayoutRecord)) return false;
    RegisterDialogClass();
    pugi::xml_parse_result parsed =
        document_.load_buffer(res.data, res.size, pugi::parse_default, pugi::encoding_utf16_le);
    if (!parsed) {
        // Statuses past the parser's classic table (14) read as "Unknown error".
        std::wstring text = parsed.status > pugi::status_end_element_mismatch
                                ? std::wstring(L"Unknown error")
                                : ORBUtf8ToWide(parsed.description());
        ORBLog(L"Load_buffer failed, %s\r\n", text.c_str());
        return false;
    }
    return true;
}

pugi::xml_node ORBDialogSequence::FindDialog(const wchar_t* name) const {
    return document_.document_element().find_child_by_attribute(L"Dlg", L"name", name);
}

bool ORBDialogSequence::RunInteractive(bool* cancelled) {
    *cancelled = false;
    pugi::xml_node init = FindDialog(L"InitDlg");
    if (!init) {
        ORBLog(L"node <Dlg name=\"InitDlg\"> is empty!");
        return false;
    }
    bool shown = false;
    if (RunDialog<ORBInitDlg>(init, &shown) != 1) {
        *cancelled = shown;
        return false;
    }
    ORBScriptEngine::GetInstance()->CallHook(kORBHookBeforeInstall);
    return RunInstallDialog();
}

bool ORBDialogSequence::RunInstallDialog() {
    pugi::xml_node install = FindDialog(L"InstallDlg");
    if (!install) {
        ORBLog(L"node <Dlg name=\"InstallDlg\"> is empty!");
        return false;
    }
    return RunDialog<ORBInstallDlg>(install) == 1;
}

int ORBDialogSequence::RunCompleteDialog() {
    pugi::xml_node complete = FindDialog(L"CompleteDlg");
    if (!complete) {
        ORBLog(L"node <Dlg name=\"CompleteDlg\"> is empty!");
        return 0;
    }
    return RunDialog<ORBCompleteDlg>(complete);
}

void ORBDialogSequence::Release() { document_.reset(); }
