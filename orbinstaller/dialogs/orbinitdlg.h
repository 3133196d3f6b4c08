// The first dialog: options, install path, licence, install button.
#pragma once

#include "orbskindialog.h"

class ORBInitDlg : public ORBSkinDialog {
public:
    explicit ORBInitDlg(const pugi::xml_node& dlg) : ORBSkinDialog(dlg, {true, true, false}) {}

    ORB_BEGIN_MSG_MAP()
        ORB_MESSAGE_HANDLER(WM_USER + 100, OnExitConfirm)
        ORB_MESSAGE_HANDLER(WM_USER + 101, OnInstall)
        ORB_MESSAGE_HANDLER(WM_USER + 102, OnSettingsCheck)
        ORB_MESSAGE_HANDLER(WM_USER + 103, OnLicenceCheck)
        ORB_MESSAGE_HANDLER(WM_USER + 104, OnLicenceLink)
        ORB_MESSAGE_HANDLER(WM_USER + 105, OnBrowseInstall)
        ORB_MESSAGE_HANDLER(WM_USER + 106, OnOptionCheck)
        ORB_MESSAGE_HANDLER(WM_USER + 107, OnBrowseBackup)
        ORB_MESSAGE_HANDLER(WM_USER + 108, OnPageToggle)
        ORB_CHAIN_MSG_MAP(ORBSkinDialog)
    ORB_END_MSG_MAP()

protected:
    void OnStart() override;
    void OnClosing() override;
    UINT DefaultAction() const override { return 101; }  // install
    UINT CloseAction() const override { return 100; }    // the close button's confirmation

private:
    LRESULT OnExitConfirm(UINT, WPARAM, LPARAM lParam, BOOL&);
    LRESULT OnInstall(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSettingsCheck(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnLicenceCheck(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnLicenceLink(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnBrowseInstall(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnOptionCheck(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnBrowseBackup(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPageToggle(UINT, WPARAM, LPARAM, BOOL&);

    ORBUE::ContainerUIObjectImpl* Body() const;
    // The text box named exactly `name` among every text box of the tree, or null.
    ORBUE::IORBBaseUIObject* FindTextBox(const wchar_t* name) const;
    // Folder browser; the chosen file-system path, or empty when cancelled.
    std::wstring BrowseFolder(const wchar_t* title, const std::wstring& initial);
    // Publishes, validates and, when everything passes, closes with code 1.
    void Install();
};
