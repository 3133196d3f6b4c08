// The second dialog: slideshow and progress bar while a worker thread runs
// ORBSE_OnInstall.
#pragma once

#include <atomic>

#include "orbhandle.h"

#include "orbskindialog.h"

class ORBInstallDlg : public ORBSkinDialog {
public:
    explicit ORBInstallDlg(const pugi::xml_node& dlg) : ORBSkinDialog(dlg, {false, true, true}) {}
    // Waits for the worker (it has posted its message and is about to end).
    ~ORBInstallDlg() override;

    ORB_BEGIN_MSG_MAP()
        ORB_MESSAGE_HANDLER(WM_CLOSE, OnCloseRequest)
        ORB_MESSAGE_HANDLER(ORBUM_INSTALLDONE, OnInstallDone)
        ORB_CHAIN_MSG_MAP(ORBSkinDialog)
    ORB_END_MSG_MAP()

protected:
    void OnStart() override;
    void OnShown() override;
    void OnClosing() override;
    void OnOwnTimer(UINT_PTR id) override;

private:
    LRESULT OnCloseRequest(UINT, WPARAM wParam, LPARAM, BOOL& handled);
    LRESULT OnInstallDone(UINT, WPARAM, LPARAM, BOOL&);
    static unsigned __stdcall Worker(void* window);

    ORBHandle worker_;
    bool workerStarted_ = false;
    bool workerDone_ = false;
    unsigned interval_ = 0;  // of the progress steps
    bool passive_ = false;  // a passive run: only the dialog's own close (code 1) ends it
};
