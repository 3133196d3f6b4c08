#include "orbinstallerflow.h"

#include <commctrl.h>
#include <objbase.h>

#include <optional>

#include "orbappendedpayload.h"
#include "orbappmodule.h"
#include "orbdialogsequence.h"
#include "orbhandle.h"
#include "orblibrary.h"
#include "orblog.h"
#include "orbplatform.h"
#include "orbresourceids.h"
#include "orbscriptengine.h"
#include "orbscriptnames.h"
#include "orbsingleinstance.h"

const wchar_t kORBDefaultMutexName[] = L"Global\\{5E1C09D4-7B2A-4C6F-8D3E-91A0B4C7F215}";

namespace {

// Ends what start-up began, in reverse order, on every way out of the flow.
struct PlatformScope {
    std::optional<ORBComScope> com;  // ends after the module
    bool started = false;
    ~PlatformScope() {
        if (started) g_orbModule.Term();
    }
};

// Creates the engine here rather than in a static initialiser, where a failure would
// end the process before anything could be logged.
ORBScriptEngine* StartScriptEngine() {
    try {
        return ORBScriptEngine::GetInstance();
    } catch (...) {
        ORBLog(L"ORBScriptEngine create failed!\r\n");
        return nullptr;
    }
}

// The settings chunk, then the hooks chunk, in the one interpreter; false (logged) when
// either does not run.
bool RunScripts(ORBScriptEngine* engine) {
    if (!engine->DoResLua(ORB_RES_W(ORB_RT_LUA), ORB_RES_W(ORB_RN_GLOBAL_VAR))) {
        ORBLog(L"DoResLua failed, GLOBAL_VAR.LUAC");
        return false;
    }
    if (!engine->DoResLua(ORB_RES_W(ORB_RT_LUA), ORB_RES_W(ORB_RN_INSTSCRIPT))) {
        ORBLog(L"DoResLua failed, INSTSCRIPT.LUAC");
        return false;
    }
    return true;
}

// The scripts' mutex name, or the default one qualified by global_app_id.
bool AnotherInstanceRuns(ORBScriptEngine* engine) {
    std::wstring mutexName = engine->GetGlobalString(kORBGlobalInstallMutexGuid);
    int appId = 0;
    if (mutexName.empty()) {
        mutexName = kORBDefaultMutexName;
        appId = engine->GetGlobalInteger(kORBGlobalAppId);
    }
    return static_cast<bool>(SingleInstanceGuard(mutexName, appId));
}

// COM, GDI+, the common controls and the window module, ended by platform.
void StartPlatform(HINSTANCE instance, PlatformScope& platform) {
    platform.com.emplace(COINIT_APARTMENTTHREADED);
    ORBStartGdiplus();
    // comctl32 is no KnownDLL: taken from the system folder (or the side-by-side
    // version the manifest asks for), never from the setup's folder.
    using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (auto init = ORBSystemFunction<InitCommonControlsExFn>(L"comctl32.dll", "InitCommonControlsEx")) {
        INITCOMMONCONTROLSEX icc = {8, ICC_BAR_CLASSES};
        init(&icc);
    }
    g_orbModule.Init(instance);
    platform.started = true;
}

// The install itself: silently, with the install dialog alone (passive) or through the
// dialogs. False with the run's exit code in *code when the run ends here.
bool RunInstallStage(ORBScriptEngine* engine, ORBDialogSequence& dialogs, bool silent, bool passive, int* code) {
    if (silent || passive) {
        engine->SetGlobalString(kORBGlobalChosenInstallPath, engine->GetGlobalString(kORBGlobalInstallPath));
        engine->CallHook(kORBHookBeforeInstall);
        if (silent) {
            engine->CallHook(kORBHookOnInstall);
        } else if (!dialogs.RunInstallDialog()) {
            *code = engine->ExitCodeFor(ORBOutcome::kFailed);
            return false;
        }
        return true;
    }
    bool cancelled = false;
    if (dialogs.RunInteractive(&cancelled)) return true;
    *code = engine->ExitCodeFor(cancelled ? ORBOutcome::kCancelled : ORBOutcome::kFailed);
    return false;
}

}  // namespace

int ORBRunInstaller(HINSTANCE instance) {
    ORBScriptEngine* engine = StartScriptEngine();
    // No scripts ran, so no convention was chosen: a code no convention reads as success.
    if (!engine) return kORBExitFailed;
    if (!RunScripts(engine)) return engine->ExitCodeFor(ORBOutcome::kFailed);
    // Before any hook: a payload that is not the one the image was built with is never
    // read, and nothing is installed.
    if (ORBCheckAppendedPayload() == ORBAppendedCheck::kRefused) return engine->ExitCodeFor(ORBOutcome::kFailed);

    if (AnotherInstanceRuns(engine)) {
        ORBLog(L"CreateAppInstance return true");
        return engine->ExitCodeFor(ORBOutcome::kAnotherInstance);
    }

    PlatformScope platform;
    StartPlatform(instance, platform);

    engine->CallHook(kORBHookBeforeInit);

    const bool silent = engine->GetGlobalBoolean(kORBGlobalSilentInstall);
    const bool showComplete = engine->GetGlobalBoolean(kORBGlobalShowCompleteWindow);
    // Passive: the install dialog alone, no questions; the silent road wins over it.
    const bool passive = !silent && engine->GetGlobalBoolean(kORBGlobalPassiveInstall);
    ORBLog(showComplete ? L"Completewindow==true ~!\r\n" : L"Completewindow==false ~!\r\n");

    // A silent run without the completion window never touches the layout.
    ORBDialogSequence dialogs;
    if (!silent || showComplete) {
        if (silent) ORBLog(L"SilentInstall ~!\r\n");
        if (passive) ORBLog(L"PassiveInstall ~!\r\n");
        if (showComplete) ORBLog(L"Completewindow ~!");
        if (!dialogs.LoadLayout()) return engine->ExitCodeFor(ORBOutcome::kFailed);
    }

    int code = 0;
    if (!RunInstallStage(engine, dialogs, silent, passive, &code)) return code;

    engine->CallHook(kORBHookBeforeComplete);
    if (silent || passive || !showComplete) {
        ORBLog(L"node <Dlg name=\"CompleteDlg\"> is hide!");
        engine->CallHook(kORBHookAfterComplete);
    } else if (dialogs.RunCompleteDialog() == 1) {
        engine->CallHook(kORBHookAfterComplete);
    } else if (!engine->StandardExitCodes()) {
        return 0;  // the flow did not reach its end
    }
    // In standard codes the product is installed even when the completion dialog was
    // closed instead of finished.
    return engine->ExitCodeFor(ORBOutcome::kInstalled);
}
