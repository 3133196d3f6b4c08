#include "orbinstalldlg.h"

#include <process.h>

#include "orbcontrols.h"
#include "orbdialogtext.h"
#include "orblog.h"
#include "orbpayloadsource.h"
#include "orbresource.h"
#include "orbdialogsettings.h"

using namespace ORBUE;

ORBInstallDlg::~ORBInstallDlg() {
    if (worker_) WaitForSingleObject(worker_.get(), INFINITE);
}

unsigned __stdcall ORBInstallDlg::Worker(void* window) {
    ORBDialogSettings::RunInstall();
    PostMessageW(static_cast<HWND>(window), ORBUM_INSTALLDONE, 0, 0);
    return 0;
}

void ORBInstallDlg::OnStart() {
    interval_ = ORBProgressStepInterval(ORBFindPayload(ORB_RES_W(ORB_RN_PAYLOAD)).size);
    ORBDialogSettings::SetProgressInterval(interval_);
    // Read before the worker holds the engine: from then on until the hook returns, the
    // dialog reads no global (it would wait for the whole hook, undrawn and frozen).
    passive_ = ORBDialogSettings::PassiveInstall();
}

void ORBInstallDlg::OnShown() {
    uintptr_t thread = _beginthreadex(nullptr, 0, &ORBInstallDlg::Worker, hwnd_, 0, nullptr);
    if (thread) {
        // Kept (unlike a fire-and-forget start) so the end of the run can wait for it.
        worker_.reset(reinterpret_cast<HANDLE>(thread));
        workerStarted_ = true;
    } else {
        // Without a worker nothing is installed: end the dialog as cancelled.
        ORB_LOG_FAILURE(L"_beginthreadex failed!");
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        return;
    }
    SetTimer(hwnd_, PROGRESS_TIMER, interval_, nullptr);
    if (auto* carousel = FindControlIn<CarouselUIObjectImpl>(FindContainerIn(Root(), L"Body"), L"InstallCarousel"))
        carousel->Play();
}

LRESULT ORBInstallDlg::OnCloseRequest(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    // Closing now would end the process in the middle of ORBSE_OnInstall.
    if (workerStarted_ && !workerDone_) {
        ORBLog(L"close request %d ignored: the installation is still running\r\n", static_cast<int>(wParam));
        return 0;
    }
    // Nobody is asked in a passive run, so nobody cancels it: it closes by itself.
    if (passive_ && workerStarted_ && wParam != 1) {
        ORBLog(L"close request %d ignored: a passive run closes by itself\r\n", static_cast<int>(wParam));
        return 0;
    }
    handled = FALSE;  // the common close
    return 0;
}

LRESULT ORBInstallDlg::OnInstallDone(UINT, WPARAM, LPARAM, BOOL&) {
    workerDone_ = true;
    KillTimer(hwnd_, PROGRESS_TIMER);
    // Without a bar there is nothing to run to 100: the installation is done now.
    if (!FindControlIn<ProgressUIObjectImpl>(FindContainerIn(Root(), L"Body"), L"InstallProgress")) {
        ORBDialogSettings::SetProgressPos(100);
        PostMessageW(hwnd_, WM_CLOSE, 1, 0);
        return 0;
    }
    SetTimer(hwnd_, PROGRESS_TIMER, 30, nullptr);
    return 0;
}

void ORBInstallDlg::OnOwnTimer(UINT_PTR id) {
    if (id != PROGRESS_TIMER) return;
    auto* progress = FindControlIn<ProgressUIObjectImpl>(FindContainerIn(Root(), L"Body"), L"InstallProgress");
    if (!progress) return;
    progress->Step();
    ORBDialogSettings::SetProgressPos(progress->GetPos());
    if (workerDone_ && progress->GetPos() == 100) {
        PostMessageW(hwnd_, WM_CLOSE, 1, 0);
        KillTimer(hwnd_, PROGRESS_TIMER);
    }
}

void ORBInstallDlg::OnClosing() {
    KillTimer(hwnd_, REPAINT_TIMER);
    if (auto* carousel = FindControlIn<CarouselUIObjectImpl>(FindContainerIn(Root(), L"Body"), L"InstallCarousel"))
        carousel->Stop();
}
