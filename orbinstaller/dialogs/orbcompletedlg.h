// The last dialog: start the installed program, offers, finish.
#pragma once

#include "orbactions.h"
#include "orbskindialog.h"

class ORBCompleteDlg : public ORBSkinDialog {
public:
    explicit ORBCompleteDlg(const pugi::xml_node& dlg) : ORBSkinDialog(dlg, {false, false, false}) {}

    ORB_BEGIN_MSG_MAP()
        ORB_MESSAGE_HANDLER(ORBActionMessage(kORBActionFinish), OnFinish)
        ORB_MESSAGE_HANDLER(ORBActionMessage(kORBActionStartProgram), OnStartProgram)
        ORB_MESSAGE_HANDLER(ORBActionMessage(kORBActionDownload), OnDownload)
        ORB_CHAIN_MSG_MAP(ORBSkinDialog)
    ORB_END_MSG_MAP()

    // The program to start: global_install_path with environment variables expanded,
    // a backslash and global_main_app_name.
    static std::wstring ProgramPath(const std::wstring& installPath, const std::wstring& appName);
    // The start button's program: appName in scriptFolder (global_install_path as the script
    // left it) when it is there, else in chosenFolder (InstallPath); logs which. Empty, with
    // a log line, when neither folder has it.
    static std::wstring ChooseProgram(const std::wstring& scriptFolder, const std::wstring& chosenFolder,
                                      const std::wstring& appName);

protected:
    void OnStart() override;
    void OnClosing() override;
    UINT DefaultAction() const override { return kORBActionStartProgram; }
    UINT FallbackDefaultAction() const override { return kORBActionFinish; }
    UINT CloseAction() const override { return kORBActionFinish; }

private:
    LRESULT OnFinish(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnStartProgram(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDownload(UINT, WPARAM, LPARAM, BOOL&);
};
