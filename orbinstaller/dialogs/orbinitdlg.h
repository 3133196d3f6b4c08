// The first dialog: options, install path, licence, install button.
#pragma once

#include "orbactions.h"
#include "orbskindialog.h"

class ORBInitDlg : public ORBSkinDialog {
public:
    explicit ORBInitDlg(const pugi::xml_node& dlg) : ORBSkinDialog(dlg, {true, true, false}) {}

    ORB_BEGIN_MSG_MAP()
        ORB_MESSAGE_HANDLER(ORBActionMessage(kORBActionExitConfirm), OnExitConfirm)
        ORB_MESSAGE_HANDLER(ORBActionMessage(kORBActionInstall), OnInstall)
        ORB_MESSAGE_HANDLER(ORBActionMessage(kORBActionSettingsCheck), OnSettingsCheck)
        ORB_MESSAGE_HANDLER(ORBActionMessage(kORBActionLicenceCheck), OnLicenceCheck)
        ORB_MESSAGE_HANDLER(ORBActionMessage(kORBActionLicenceLink), OnLicenceLink)
        ORB_MESSAGE_HANDLER(ORBActionMessage(kORBActionBrowseInstall), OnBrowseInstall)
        ORB_MESSAGE_HANDLER(ORBActionMessage(kORBActionOptionCheck), OnOptionCheck)
        ORB_MESSAGE_HANDLER(ORBActionMessage(kORBActionBrowseBackup), OnBrowseBackup)
        ORB_MESSAGE_HANDLER(ORBActionMessage(kORBActionPageToggle), OnPageToggle)
        ORB_CHAIN_MSG_MAP(ORBSkinDialog)
    ORB_END_MSG_MAP()

protected:
    void OnStart() override;
    void OnClosing() override;
    UINT DefaultAction() const override { return kORBActionInstall; }
    UINT CloseAction() const override { return kORBActionExitConfirm; }

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
