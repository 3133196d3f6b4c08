#include "orbdialogsettings.h"

#include "orbscriptengine.h"
#include "orbstring.h"

namespace ORBDialogSettings {

namespace {

ORBScriptEngine* Engine() { return ORBScriptEngine::GetInstance(); }
std::wstring Text(const char* name) { return Engine()->GetGlobalString(name); }
bool Flag(const char* name) { return Engine()->GetGlobalBoolean(name); }

}  // namespace

std::wstring ProductName() { return Text("global_product_name"); }
bool StartupCheckVisible() { return Flag("global_startup_check_visable"); }
bool StartupChecked() { return Flag("global_startup_check"); }
std::wstring LicenceUrl() { return Text("global_licence_url"); }
std::wstring InstallBaseName() { return Text("global_install_basepath"); }
std::wstring DefaultInstallPath() { return Text("global_install_path"); }
std::wstring InstallPath() { return Text("InstallPath"); }
void SetInstallPath(const std::wstring& path) { Engine()->SetGlobalString("InstallPath", path); }
std::wstring BackupPath() { return Text("BackUpPath"); }
std::wstring NeedDiskSpace() { return Text("global_need_disk_space"); }
bool PassiveInstall() { return Flag("global_passive_install"); }
std::wstring MainAppName() { return Text("global_main_app_name"); }
std::wstring StartParameter() { return Text("global_start_parameter"); }
std::wstring CompleteDownloadUrl() { return Text("global_complate_download_url"); }
void SetProgressInterval(unsigned ms) { Engine()->SetGlobalNumber("global_install_progress_elapse", ms); }
void SetProgressPos(int pos) { Engine()->SetGlobalNumber("global_install_progress_pos", pos); }

std::wstring Named(const std::wstring& name) { return Text(ORBWideToAnsi(name.c_str()).c_str()); }

void PublishText(const std::wstring& name, const std::wstring& text) {
    Engine()->SetGlobalString(ORBWideToAnsi(name.c_str()).c_str(), text);
}

void PublishFlag(const std::wstring& name, bool on) {
    Engine()->SetGlobalBoolean(ORBWideToAnsi(name.c_str()).c_str(), on);
}

void RunInstall() { Engine()->CallHook("ORBSE_OnInstall"); }

}  // namespace ORBDialogSettings
