#include "orbcompletedlg.h"

#include <shellapi.h>

#include "orbcontrols.h"
#include "orbdialogtext.h"
#include "orblog.h"
#include "orbdialogsettings.h"
#include "orbenvexpand.h"
#include "orbstring.h"
#include "orbuserlaunch.h"

using namespace ORBUE;

std::wstring ORBCompleteDlg::ProgramPath(const std::wstring& installPath, const std::wstring& appName) {
    return ORBExpandEnvString(installPath) + L"\\" + appName;
}

void ORBCompleteDlg::OnStart() {
    ContainerUIObjectImpl* body = FindContainerIn(Root(), L"Body");
    if (!body) return;
    const bool startupVisible = ORBDialogSettings::StartupCheckVisible();
    const bool startupChecked = ORBDialogSettings::StartupChecked();
    if (auto* startup = FindControlIn<CheckBoxUIObjectImpl>(body, L"StartupChk")) {
        startup->SetVisible(startupVisible);
        startup->SetChecked(startupChecked);
    }
    ContainerUIObjectImpl* list = FindContainerIn(FindContainerIn(body, L"Bind"), L"BindVertCon");
    if (!list) return;
    for (const auto& offer : list->containers()) {
        if (offer->controls().empty()) continue;
        auto* box = AsKind<CheckBoxUIObjectImpl>(offer->controls().front().get());
        if (!box) continue;
        std::wstring text = box->GetText(), token, name;
        if (!ORBFindPlaceholder(text, token, name)) continue;
        ORBLog(L"%s", name.c_str());
        std::wstring value = ORBDialogSettings::Named(name);
        ORBLog(L"%s", value.c_str());
        if (value.empty()) continue;
        box->SetText(ORBReplaceAll(text, token, value));
        offer->SetVisible(true);
    }
}

void ORBCompleteDlg::OnClosing() { PublishCheckBoxes(); }

LRESULT ORBCompleteDlg::OnFinish(UINT, WPARAM, LPARAM, BOOL&) {
    PostMessageW(hwnd_, WM_CLOSE, 1, 0);
    return 0;
}

LRESULT ORBCompleteDlg::OnStartProgram(UINT, WPARAM, LPARAM, BOOL&) {
    std::wstring path = ChooseProgram(ORBDialogSettings::DefaultInstallPath(), ORBDialogSettings::InstallPath(),
                                      ORBDialogSettings::MainAppName());
    if (!path.empty()) {
        std::wstring parameters = ORBDialogSettings::StartParameter();
        // With the signed-in user's token: the setup itself may run elevated.
        ORBStartForUser(path, parameters, path.substr(0, path.find_last_of(L'\\')));
    }
    PostMessageW(hwnd_, WM_CLOSE, 1, 0);
    return 0;
}

std::wstring ORBCompleteDlg::ChooseProgram(const std::wstring& scriptFolder, const std::wstring& chosenFolder,
                                           const std::wstring& appName) {
    // The script may have moved global_install_path to where the program really lies (a
    // subfolder of the chosen one); without the program there, the user's folder counts.
    const struct {
        const std::wstring& folder;
        const wchar_t* from;
    } candidates[] = {{scriptFolder, L"global_install_path"}, {chosenFolder, L"InstallPath"}};
    for (const auto& c : candidates) {
        if (c.folder.empty() || appName.empty()) continue;
        std::wstring path = ProgramPath(c.folder, appName);
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ORBLog(L"start button: %s (from %s)\r\n", path.c_str(), c.from);
            return path;
        }
    }
    ORBLog(L"start button: %s is neither in global_install_path (%s) nor in InstallPath (%s); nothing started\r\n",
           appName.c_str(), scriptFolder.c_str(), chosenFolder.c_str());
    return std::wstring();
}

LRESULT ORBCompleteDlg::OnDownload(UINT, WPARAM, LPARAM, BOOL&) {
    std::wstring url = ORBDialogSettings::CompleteDownloadUrl();
    ORBStartForUser(url, L"", L"");
    return 0;
}
