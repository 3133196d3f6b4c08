#include "orbdialogsettings.h"

#include "orbscriptengine.h"
#include "orbscriptnames.h"
#include "orbstring.h"

namespace ORBDialogSettings {

namespace {

ORBScriptEngine* Engine() { return ORBScriptEngine::GetInstance(); }
std::wstring Text(const char* name) { return Engine()->GetGlobalString(name); }
bool Flag(const char* name) { return Engine()->GetGlobalBoolean(name); }

}  // namespace

std::wstring ProductName() { return Text(kORBGlobalProductName); }
bool StartupCheckVisible() { return Flag(kORBGlobalStartupCheckVisible); }
bool StartupChecked() { return Flag(kORBGlobalStartupCheck); }
std::wstring LicenceUrl() { return Text(kORBGlobalLicenceUrl); }
std::wstring InstallBaseName() { return Text(kORBGlobalInstallBasePath); }
std::wstring DefaultInstallPath() { return Text(kORBGlobalInstallPath); }
std::wstring InstallPath() { return Text(kORBGlobalChosenInstallPath); }
void SetInstallPath(const std::wstring& path) { Engine()->SetGlobalString(kORBGlobalChosenInstallPath, path); }
std::wstring BackupPath() { return Text(kORBGlobalChosenBackupPath); }
std::wstring NeedDiskSpace() { return Text(kORBGlobalNeedDiskSpace); }
bool PassiveInstall() { return Flag(kORBGlobalPassiveInstall); }
bool SuppressMessageBoxes() { return Flag(kORBGlobalSuppressMsgBoxes); }
std::wstring MainAppName() { return Text(kORBGlobalMainAppName); }
std::wstring StartParameter() { return Text(kORBGlobalStartParameter); }
std::wstring CompleteDownloadUrl() { return Text(kORBGlobalCompleteDownloadUrl); }
void SetProgressInterval(unsigned ms) { Engine()->SetGlobalNumber(kORBGlobalProgressElapse, ms); }
void SetProgressPos(int pos) { Engine()->SetGlobalNumber(kORBGlobalProgressPos, pos); }

std::wstring Named(const std::wstring& name) { return Text(ORBWideToAnsi(name.c_str()).c_str()); }

void PublishText(const std::wstring& name, const std::wstring& text) {
    Engine()->SetGlobalString(ORBWideToAnsi(name.c_str()).c_str(), text);
}

void PublishFlag(const std::wstring& name, bool on) {
    Engine()->SetGlobalBoolean(ORBWideToAnsi(name.c_str()).c_str(), on);
}

void RunInstall() { Engine()->CallHook(kORBHookOnInstall); }

}  // namespace ORBDialogSettings
