// The script globals the dialogs read and publish, by what they mean: the one place that
// names them. The worker thread may write globals meanwhile; the engine serialises.
#pragma once

#include <string>

namespace ORBDialogSettings {

std::wstring ProductName();          // global_product_name
bool StartupCheckVisible();          // global_startup_check_visable
bool StartupChecked();               // global_startup_check
std::wstring LicenceUrl();           // global_licence_url
std::wstring InstallBaseName();      // global_install_basepath
std::wstring DefaultInstallPath();   // global_install_path
std::wstring InstallPath();          // InstallPath: the folder the user chose
void SetInstallPath(const std::wstring& path);
std::wstring BackupPath();           // BackUpPath
std::wstring NeedDiskSpace();        // global_need_disk_space, a byte count as text
bool PassiveInstall();               // global_passive_install
bool SuppressMessageBoxes();         // global_suppress_msgboxes
std::wstring MainAppName();          // global_main_app_name
std::wstring StartParameter();       // global_start_parameter
std::wstring CompleteDownloadUrl();  // global_complate_download_url
void SetProgressInterval(unsigned ms);  // global_install_progress_elapse
void SetProgressPos(int pos);           // global_install_progress_pos

// Globals the layout names: a placeholder's value, a control's text or check state.
std::wstring Named(const std::wstring& name);
void PublishText(const std::wstring& name, const std::wstring& text);
void PublishFlag(const std::wstring& name, bool on);

// Runs the script's installation (ORBSE_OnInstall); blocks until it returns.
void RunInstall();

}  // namespace ORBDialogSettings
