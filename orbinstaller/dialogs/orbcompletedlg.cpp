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
        IORBBaseUIObject* first = offer->controls().front().get();
        if (typeid(*first) != typeid(CheckBoxUIObjectImpl)) continue;
        auto* box = static_cast<CheckBoxUIObjectImpl*>(first);
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
    // The folder the installation used: the user's choice (InstallPath, which the silent
    // road fills from global_install_path), not the default the settings began with.
    std::wstring folder = ORBDialogSettings::InstallPath();
    if (folder.empty()) folder = ORBDialogSettings::DefaultInstallPath();
    std::wstring path = ProgramPath(folder, ORBDialogSettings::MainAppName());
    std::wstring parameters = ORBDialogSettings::StartParameter();
    // With the signed-in user's token: the setup itself may run elevated.
    ORBStartForUser(path, parameters, path.substr(0, path.find_last_of(L'\\')));
    PostMessageW(hwnd_, WM_CLOSE, 1, 0);
    return 0;
}

LRESULT ORBCompleteDlg::OnDownload(UINT, WPARAM, LPARAM, BOOL&) {
    std::wstring url = ORBDialogSettings::CompleteDownloadUrl();
    ORBStartForUser(url, L"", L"");
    return 0;
}
