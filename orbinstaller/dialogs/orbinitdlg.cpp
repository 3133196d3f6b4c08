#include "orbinitdlg.h"

#include <shlobj.h>
#include <shellapi.h>

#include "orbcontrols.h"
#include "orbdialogbox.h"
#include "orbdialogtext.h"
#include "orbhandle.h"
#include "orbhosttext.h"
#include "orblog.h"
#include "orbdialogsettings.h"
#include "orbstring.h"
#include "orbtextbox.h"
#include "orbuserlaunch.h"

using namespace ORBUE;

namespace {

const wchar_t kProductToken[] = L"$global_product_name$";

// The browser's flags as setups have always passed them: a file-system folder only,
// typed in its edit box or picked in the resizable new-style dialog, nothing below the
// domain, and 0x1000, BIF_BROWSEFORCOMPUTER. BIF_NONEWFOLDERBUTTON is not among them, so
// the browser does offer its New Folder button.
constexpr UINT kBrowseFlags =
    BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_EDITBOX | BIF_NEWDIALOGSTYLE | BIF_BROWSEFORCOMPUTER;
static_assert(kBrowseFlags == 0x1053, "the folder browser's flags stay as they were");

// Selects the initial folder once the browser is up.
int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

// A refused path: the box names what is wrong, the dialog stays.
void Warn(HWND hwnd, ORBText text) {
    ORBDialogMessageBox(hwnd, ORBHostText(text), ORBHostText(ORBText::kErrorCaption), MB_OK | MB_ICONWARNING);
}

std::wstring ProgramFilesFolder() {
    wchar_t path[MAX_PATH] = {};  // SHGetFolderPathW is defined on MAX_PATH buffers
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path)))
        return path;
    return L"C:\\Program Files";
}

}  // namespace

ContainerUIObjectImpl* ORBInitDlg::Body() const { return FindContainerIn(Root(), L"Body"); }

IORBBaseUIObject* ORBInitDlg::FindTextBox(const wchar_t* name) const {
    if (!Root()) return nullptr;
    for (TextBoxUIObjectImpl* box : Root()->FindControlsByType<TextBoxUIObjectImpl>())
        if (box->GetName() == name) return box;
    return nullptr;
}

void ORBInitDlg::OnStart() {
    ContainerUIObjectImpl* body = Body();
    if (!body) return;
    ContainerUIObjectImpl* one = FindContainerIn(body, L"SettingsOne");
    ContainerUIObjectImpl* two = FindContainerIn(body, L"SettingsTwo");

    if (auto* selfStart = FindControlIn<CheckBoxUIObjectImpl>(two, L"SelfStartChk")) {
        selfStart->SetVisible(ORBDialogSettings::StartupCheckVisible());
        selfStart->SetChecked(ORBDialogSettings::StartupChecked());
    }

    if (auto* licence = FindControlIn<CheckBoxUIObjectImpl>(body, L"LicenceChk")) {
        std::wstring text = ORBReplaceAll(licence->GetText(), kProductToken, ORBDialogSettings::ProductName());
        licence->SetText(text);
        ORBLog(L"%s", text.c_str());
        // The layout's initial state counts like a click: an unchecked licence (checked="false")
        // starts with the install button disabled.
        BOOL handled = TRUE;
        OnLicenceCheck(0, licence->IsChecked() ? 1 : 0, 0, handled);
    }
    if (auto* settings = FindControlIn<CheckBoxUIObjectImpl>(body, L"SettingsChk")) {
        BOOL handled = TRUE;
        OnSettingsCheck(0, settings->IsChecked() ? 1 : 0, 0, handled);
    }

    std::wstring pathText;
    for (TextBoxUIObjectImpl* box : Root()->FindControlsByType<TextBoxUIObjectImpl>()) {
        std::wstring text = box->GetText();
        ORBLog(L"%s", text.c_str());
        std::wstring token, name;
        if (ORBFindPlaceholder(text, token, name)) {
            ORBLog(L"%s", name.c_str());
            std::wstring value = ORBDialogSettings::Named(name);
            if (!value.empty()) {
                text = ORBReplaceAll(text, token, value);
                box->SetText(text);
                ORBLog(L"-----------------------------");
                ORBLog(L"%s", text.c_str());
                ORBLog(L"-----------------------------");
            }
        }
        pathText = text;
    }
    if (one && !pathText.empty())
        if (auto* label = FindControlIn<LabelUIObjectImpl>(one, L"PathLblinfo")) label->SetText(pathText);

    ORBLog(L" find ContainerUIObjectImpl pBodyCon   ");
    if (one) {
        ORBLog(L" find ContainerUIObjectImpl SettingsOne   ");
        if (auto* carousel = FindControlIn<CarouselUIObjectImpl>(one, L"InitCarousel")) {
            ORBLog(L" find CarouselUIObjectImplobject SettingsOne   ");
            carousel->Play();
        }
    }
}

void ORBInitDlg::OnClosing() {
    if (auto* carousel = FindControlIn<CarouselUIObjectImpl>(FindContainerIn(Body(), L"SettingsOne"), L"InitCarousel")) {
        ORBLog(L" find CarouselUIObjectImplobject InitCarousel   ");
        carousel->Stop();
    }
}

LRESULT ORBInitDlg::OnExitConfirm(UINT, WPARAM, LPARAM lParam, BOOL&) {
    const int answer = ORBDialogMessageBox(hwnd_, ORBHostText(ORBText::kExitConfirm),
                                           ORBHostText(ORBText::kExitConfirmCaption), MB_OKCANCEL | MB_ICONQUESTION);
    // The box runs its own message loop: Alt+F4 or the taskbar's Close may have closed the
    // dialog meanwhile, and the tree with the sending button is gone.
    if (!Root()) return 0;
    if (answer == IDOK) PostMessageW(hwnd_, WM_CLOSE, 2, 0);
    // The button keeps its hover look otherwise: the pointer left it for the box.
    if (IORBBaseUIObject* sender = reinterpret_cast<IORBBaseUIObject*>(lParam))
        sender->OnMouseLeave(MouseEvent::FromMessage(0, 0));
    return 0;
}

LRESULT ORBInitDlg::OnInstall(UINT, WPARAM, LPARAM, BOOL&) {
    Install();
    return 0;
}

void ORBInitDlg::Install() {
    if (!Root()) return;
    for (TextBoxUIObjectImpl* box : Root()->FindControlsByType<TextBoxUIObjectImpl>())
        ORBDialogSettings::PublishText(box->GetName(), box->GetText());
    for (CheckBoxUIObjectImpl* box : Root()->FindControlsByType<CheckBoxUIObjectImpl>()) {
        ORBDialogSettings::PublishFlag(box->GetName(), box->IsChecked());
        if (box->IsChecked()) ORBLog(L"check Name = %s", box->GetName().c_str());
    }

    std::wstring installPath = ORBDialogSettings::InstallPath();
    // Checked before the folder is created: a refused folder must not be made either.
    if (ORBHasDriveLetter(installPath) && ORBIsRefusedInstallFolder(installPath)) {
        Warn(hwnd_, ORBText::kRefusedFolder);
        return;
    }
    if (!ORBValidateFolder(installPath)) {
        Warn(hwnd_, ORBText::kBadInstallPath);
        return;
    }
    std::wstring backupPath = ORBDialogSettings::BackupPath();
    if (!backupPath.empty()) {
        ORBLog(L"backpath = %s", backupPath.c_str());
        if (!ORBValidateFolder(backupPath)) {
            Warn(hwnd_, ORBText::kBadBackupPath);
            return;
        }
    }
    installPath = ORBTrimTrailingBackslash(installPath);
    ORBDialogSettings::SetInstallPath(installPath);

    // An unanswerable question does not block the installation: an unknown free space or
    // an unusable need lets the check pass, with the reason in the log.
    std::wstring volume = installPath.substr(0, 2) + L"\\";
    ULARGE_INTEGER freeBytes = {};
    unsigned long long need = 0;
    std::wstring needText = ORBDialogSettings::NeedDiskSpace();
    if (!GetDiskFreeSpaceExW(volume.c_str(), nullptr, nullptr, &freeBytes)) {
        ORBLog(L"GetDiskFreeSpaceEx failed for %s, err:%d; disk space not checked\r\n", volume.c_str(),
               static_cast<int>(GetLastError()));
    } else if (!ORBParseByteCount(needText, need)) {
        ORBLog(L"global_need_disk_space is not a byte count (\"%s\"); disk space not checked\r\n",
               needText.c_str());
    } else if (!ORBFreeSpaceSuffices(freeBytes.QuadPart, need)) {
        ORBDialogMessageBox(hwnd_, ORBFormatNeedSpaceMessage(need), ORBHostText(ORBText::kNoticeCaption),
                            MB_OK | MB_ICONINFORMATION);
        return;
    }
    PostMessageW(hwnd_, WM_CLOSE, 1, 0);
}

LRESULT ORBInitDlg::OnSettingsCheck(UINT, WPARAM wParam, LPARAM, BOOL&) {
    ContainerUIObjectImpl* body = Body();
    ContainerUIObjectImpl* settings = FindContainerIn(body, L"Settings");
    if (FindControlIn<CheckBoxUIObjectImpl>(body, L"SettingsChk") && settings) {
        if (wParam == 1) settings->SetVisibleAll(true);
        if (wParam == 0) settings->SetVisibleAll(false);
    }
    return 0;
}

LRESULT ORBInitDlg::OnLicenceCheck(UINT, WPARAM wParam, LPARAM, BOOL&) {
    if (auto* button = FindControlIn<ButtonUIObjectImpl>(Body(), L"InstallBtn")) {
        if (wParam == 1) button->SetEnabled(true);
        if (wParam == 0) button->SetEnabled(false);
    }
    return 0;
}

LRESULT ORBInitDlg::OnLicenceLink(UINT, WPARAM, LPARAM, BOOL&) {
    std::wstring url = ORBDialogSettings::LicenceUrl();
    ORBStartForUser(url, L"", L"");  // the browser runs for the user, not elevated
    return 0;
}

LRESULT ORBInitDlg::OnOptionCheck(UINT, WPARAM wParam, LPARAM, BOOL&) {
    ContainerUIObjectImpl* two = FindContainerIn(Body(), L"SettingsTwo");
    if (!two) return 0;
    ORBLog(L"_IsRunning__________________________");
    if (wParam != 0 && wParam != 1) return 0;
    ORBLog(wParam == 1 ? L"_Check__________________________" : L"_NO_Check__________________________");
    for (const wchar_t* name : {L"SelfStartChk", L"DesktopShortcutChk", L"QuickLaunchChk"})
        if (IORBBaseUIObject* box = two->FindControl(name)) box->SetVisible(wParam == 1);
    return 0;
}

LRESULT ORBInitDlg::OnPageToggle(UINT, WPARAM, LPARAM, BOOL&) {
    ContainerUIObjectImpl* body = Body();
    ContainerUIObjectImpl* one = FindContainerIn(body, L"SettingsOne");
    ContainerUIObjectImpl* two = FindContainerIn(body, L"SettingsTwo");
    const bool oneWasVisible = one && one->IsVisible();
    if (one) one->SetVisible(!oneWasVisible);
    if (two) two->SetVisible(oneWasVisible);
    return 0;
}

std::wstring ORBInitDlg::BrowseFolder(const wchar_t* title, const std::wstring& initial) {
    ORBLog(L"%s", initial.c_str());
    BROWSEINFOW bi = {};
    bi.hwndOwner = GetActiveWindow();
    bi.lpszTitle = title;
    bi.ulFlags = kBrowseFlags;
    bi.lpfn = BrowseCallback;
    bi.lParam = reinterpret_cast<LPARAM>(initial.c_str());
    ORBCoTaskMem<PIDLIST_ABSOLUTE> item(SHBrowseForFolderW(&bi));
    if (!item) return std::wstring();
    // The shell answers paths of any length here; ask with a growing buffer.
    std::wstring path;
    for (DWORD size = MAX_PATH; size <= 32768; size *= 4) {
        path.assign(size, L'\0');
        if (SHGetPathFromIDListEx(item.get(), &path[0], size, 0)) {
            path.resize(wcslen(path.c_str()));
            break;
        }
        path.clear();
    }
    return path;
}

LRESULT ORBInitDlg::OnBrowseInstall(UINT, WPARAM, LPARAM, BOOL&) {
    auto* box = static_cast<TextBoxUIObjectImpl*>(FindTextBox(L"InstallPath"));
    if (!box) return 0;
    std::wstring chosen = BrowseFolder(ORBHostText(ORBText::kBrowseInstallCaption).c_str(),
                                       ORBInitialBrowseFolder(box->GetText(), ProgramFilesFolder()));
    // Looked up again: the dialog may have been closed while the browser was up.
    box = static_cast<TextBoxUIObjectImpl*>(FindTextBox(L"InstallPath"));
    if (chosen.empty() || !box) return 0;
    std::wstring base = ORBDialogSettings::InstallBaseName();
    ORBLog(L"CheckDir %s, %s", chosen.c_str(), base.c_str());
    box->SetText(ORBAppendBaseName(chosen, base));
    return 0;
}

LRESULT ORBInitDlg::OnBrowseBackup(UINT, WPARAM, LPARAM, BOOL&) {
    auto* box = static_cast<TextBoxUIObjectImpl*>(FindTextBox(L"BackUpPath"));
    if (!box) return 0;
    std::wstring chosen = BrowseFolder(ORBHostText(ORBText::kBrowseBackupCaption).c_str(),
                                       ORBInitialBrowseFolder(box->GetText(), L"c:\\DarevudEzazir"));
    box = static_cast<TextBoxUIObjectImpl*>(FindTextBox(L"BackUpPath"));  // as above
    if (chosen.empty() || !box) return 0;
    box->SetText(ORBBackupFolderChoice(chosen));
    return 0;
}
