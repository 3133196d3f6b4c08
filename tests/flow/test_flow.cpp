// The entry flow end to end: test products run under the run driver.
#include <thread>

#include "gtest/gtest.h"
#include "orbtestutil.h"

namespace {

using Env = std::vector<std::pair<std::wstring, std::wstring>>;

struct FlowRun {
    ORBRunResult result;
    std::vector<std::string> trace;
};

// A unique single-instance name per run keeps runs of different tests apart.
std::wstring UniqueGuid() {
    static int n = 0;
    return L"Local\\orb-flow-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++n);
}

FlowRun RunFlow(const std::wstring& exe, Env env, std::vector<int> answers = {}) {
    ScopedTempDir dir(L"flow");
    std::wstring trace = dir.file(L"trace.txt");
    env.emplace_back(L"ORB_T_TRACE", trace);
    bool hasGuid = false;
    for (const auto& kv : env) hasGuid |= kv.first == L"ORB_T_GUID";
    if (!hasGuid) env.emplace_back(L"ORB_T_GUID", UniqueGuid());
    ORBRunOptions options;
    options.environment = env;
    options.answers = std::move(answers);
    FlowRun run;
    run.result = RunProduct(exe, options);
    run.trace = ReadLines(trace);
    return run;
}

const std::vector<std::string> kAllHooks = {
    "GLOBAL_VAR",     "INSTSCRIPT",    "BeforeInit", "BeforeInstall", "InstallPath=C:\\ORB Test\\安装",
    "OnInstall",      "BeforeComplete", "AfterComplete"};

}  // namespace

TEST(EntryFlow, SilentRoadRunsEveryHookInOrderAndExitsWith1) {
    FlowRun run = RunFlow(L"flow_basic.exe", {{L"ORB_T_SILENT", L"true"}});
    ASSERT_TRUE(run.result.started);
    EXPECT_FALSE(run.result.timedOut);
    EXPECT_EQ(1u, run.result.exitCode);
    EXPECT_EQ(kAllHooks, run.trace);
    const ORBRunResult& r = run.result;
    int a = r.FindLine(L"xm Completewindow==false ~!\r\n");
    int b = r.FindLine(L"xm node <Dlg name=\"CompleteDlg\"> is hide!", a);
    EXPECT_GE(a, 0);
    EXPECT_GT(b, a);
    // Silent without the completion window goes straight on: no layout, no mode lines.
    EXPECT_FALSE(r.HasLine(L"SilentInstall ~!"));
    EXPECT_FALSE(r.HasLine(L"LoadResource failed"));
}

TEST(EntryFlow, NumberZeroCountsAsTrueForTheRunMode) {
    FlowRun run = RunFlow(L"flow_basic.exe", {{L"ORB_T_SILENT", L"zero"}});
    EXPECT_EQ(1u, run.result.exitCode);
    EXPECT_EQ(kAllHooks, run.trace);
}

TEST(EntryFlow, BeforeInitMaySwitchToTheSilentRoad) {
    FlowRun run = RunFlow(L"flow_basic.exe", {{L"ORB_T_SILENT", L"false"}, {L"ORB_T_SWITCH", L"1"}});
    EXPECT_EQ(1u, run.result.exitCode);
    EXPECT_EQ(kAllHooks, run.trace);
}

TEST(EntryFlow, InteractiveRunWithoutLayoutEndsWith0AfterBeforeInit) {
    FlowRun run = RunFlow(L"flow_basic.exe", {});
    EXPECT_EQ(0u, run.result.exitCode);
    EXPECT_EQ((std::vector<std::string>{"GLOBAL_VAR", "INSTSCRIPT", "BeforeInit"}), run.trace);
    const ORBRunResult& r = run.result;
    int a = r.FindLine(L"xm LoadResource failed. type : XML, id : LAYOUT.XMLxm file:");
    ASSERT_GE(a, 0);
    EXPECT_NE(std::wstring::npos, r.lines[a].find(L"orbinstaller/orbdialogsequence.cpp\r\n"));
    EXPECT_EQ(L"xm LoadResource failed. type : XML, id : LAYOUT.XMLxm line:153\r\n", r.lines[a + 1]);
    EXPECT_EQ(0u, r.lines[a + 2].find(L"xm LoadResource failed. type : XML, id : LAYOUT.XMLxm err:"));
}

TEST(EntryFlow, LayoutWithoutInitDialogEndsWith0) {
    FlowRun run = RunFlow(L"flow_layout.exe", {{L"ORB_T_SILENT", L"false"}});
    EXPECT_EQ(0u, run.result.exitCode);
    EXPECT_TRUE(run.result.HasLine(L"xm node <Dlg name=\"InitDlg\"> is empty!"));
    EXPECT_EQ((std::vector<std::string>{"GLOBAL_VAR", "INSTSCRIPT", "BeforeInit"}), run.trace);
}

TEST(EntryFlow, SilentWithCompletionWindowLoadsTheLayoutButShowsNoDialog) {
    FlowRun run = RunFlow(L"flow_layout.exe", {{L"ORB_T_SILENT", L"true"}, {L"ORB_T_COMPLETE", L"true"}});
    EXPECT_EQ(1u, run.result.exitCode);
    EXPECT_EQ(kAllHooks, run.trace);
    const ORBRunResult& r = run.result;
    int a = r.FindLine(L"xm Completewindow==true ~!\r\n");
    int b = r.FindLine(L"xm SilentInstall ~!\r\n", a);
    int c = r.FindLine(L"xm Completewindow ~!", b);
    int d = r.FindLine(L"xm node <Dlg name=\"CompleteDlg\"> is hide!", c);
    EXPECT_TRUE(a >= 0 && b > a && c > b && d > c);
}

TEST(EntryFlow, SilentWithCompletionWindowAndBrokenLayoutInstallsNothing) {
    FlowRun run = RunFlow(L"flow_badlayout.exe", {{L"ORB_T_SILENT", L"true"}, {L"ORB_T_COMPLETE", L"true"}});
    EXPECT_EQ(0u, run.result.exitCode);
    EXPECT_TRUE(run.result.HasLine(L"xm Load_buffer failed, "));
    EXPECT_EQ((std::vector<std::string>{"GLOBAL_VAR", "INSTSCRIPT", "BeforeInit"}), run.trace);
}

TEST(EntryFlow, MutexNameFollowsGuidAndAppId) {
    const std::wstring kDefault = L"Global\\{5E1C09D4-7B2A-4C6F-8D3E-91A0B4C7F215}";
    FlowRun seven = RunFlow(L"flow_basic.exe", {{L"ORB_T_SILENT", L"true"}, {L"ORB_T_GUID", L""}, {L"ORB_T_APPID", L"7"}});
    EXPECT_TRUE(seven.result.HasLine(L"xm  szObjectName = " + kDefault + L"7 "));
    FlowRun zero = RunFlow(L"flow_basic.exe", {{L"ORB_T_SILENT", L"true"}, {L"ORB_T_GUID", L""}, {L"ORB_T_APPID", L"0"}});
    EXPECT_TRUE(zero.result.HasLine(L"xm  szObjectName = " + kDefault + L" "));
    // A custom name is used unchanged: the application id is not appended.
    FlowRun custom = RunFlow(L"flow_basic.exe", {{L"ORB_T_SILENT", L"true"}, {L"ORB_T_GUID", L"Local\\orb-custom"},
                                                 {L"ORB_T_APPID", L"7"}});
    EXPECT_TRUE(custom.result.HasLine(L"xm  szObjectName = Local\\orb-custom "));
    EXPECT_EQ(1u, custom.result.exitCode);
}

TEST(EntryFlow, SecondInstanceExitsWith0WhileTheFirstKeepsRunning) {
    ScopedTempDir dir(L"second");
    std::wstring wait = dir.file(L"gate");
    std::wstring guid = UniqueGuid();
    FlowRun first;
    std::thread t([&] {
        first = RunFlow(L"flow_basic.exe", {{L"ORB_T_SILENT", L"true"}, {L"ORB_T_GUID", guid}, {L"ORB_T_WAIT", wait}});
    });
    for (int i = 0; i < 600 && !FileExists(wait + L".started"); ++i) Sleep(50);
    ASSERT_TRUE(FileExists(wait + L".started"));

    FlowRun second = RunFlow(L"flow_basic.exe", {{L"ORB_T_SILENT", L"true"}, {L"ORB_T_GUID", guid}});
    WriteFileBytes(wait + L".release", "");
    t.join();

    EXPECT_EQ(0u, second.result.exitCode);
    EXPECT_TRUE(second.result.HasLine(L"xm CreateAppInstance return true"));
    // Its scripts' top-level code ran; no hook did.
    EXPECT_EQ((std::vector<std::string>{"GLOBAL_VAR", "INSTSCRIPT"}), second.trace);
    EXPECT_EQ(1u, first.result.exitCode);
    EXPECT_EQ(kAllHooks, first.trace);
}

TEST(EntryFlow, BrokenSettingsChunkEndsWith0) {
    FlowRun missing = RunFlow(L"flow_noglobal.exe", {});
    EXPECT_EQ(0u, missing.result.exitCode);
    const ORBRunResult& r = missing.result;
    int a = r.FindLine(L"xm LoadResource failed. Type : LUA ID : GLOBAL_VAR.LUAC\r\n");
    ASSERT_GE(a, 0);
    EXPECT_EQ(0u, r.lines[a + 1].find(L"xm xm file:orbinstaller/orbscriptengine/orbscriptengine.cpp"));
    EXPECT_EQ(L"xm xm line:141\r\n", r.lines[a + 2]);
    EXPECT_EQ(0u, r.lines[a + 3].find(L"xm xm err:"));
    EXPECT_GE(r.FindLine(L"xm DoResLua failed, GLOBAL_VAR.LUAC", a), 0);

    FlowRun empty = RunFlow(L"flow_emptychunk.exe", {});
    EXPECT_EQ(0u, empty.result.exitCode);
    int e = empty.result.FindLine(L"xm ResSize == 0\r\n");
    EXPECT_GE(e, 0);
    EXPECT_GT(empty.result.FindLine(L"xm DoResLua failed, GLOBAL_VAR.LUAC", e), e);

    FlowRun syntax = RunFlow(L"flow_syntaxchunk.exe", {});
    EXPECT_EQ(0u, syntax.result.exitCode);
    int s = syntax.result.FindLine(L"xm [string \"GLOBAL_VAR.LUAC\"]:1:");
    ASSERT_GE(s, 0);
    EXPECT_EQ(L"xm luaL_loadbuffer failed!\r\n", syntax.result.lines[s + 1]);
    EXPECT_GE(syntax.result.FindLine(L"xm DoResLua failed, GLOBAL_VAR.LUAC", s), 0);
    for (const FlowRun* run : {&missing, &empty, &syntax}) {
        EXPECT_TRUE(run->result.boxes.empty());
        EXPECT_TRUE(run->trace.empty());
    }
}

TEST(EntryFlow, HookErrorShowsTheReportAndEndsWith0) {
    FlowRun run = RunFlow(L"flow_basic.exe", {{L"ORB_T_FAIL", L"BeforeInit"}});
    EXPECT_EQ(0u, run.result.exitCode);
    EXPECT_EQ((std::vector<std::string>{"GLOBAL_VAR", "INSTSCRIPT", "BeforeInit"}), run.trace);
    ASSERT_EQ(1u, run.result.boxes.size());
    const ORBMessageBoxSeen& box = run.result.boxes[0];
    EXPECT_EQ(L":-( 杯具，脚本执行时发生错误", box.caption);
    const std::wstring& t = box.text;
    // Message boxes may show "\n" as "\r\n"; compare without carriage returns.
    std::wstring text;
    for (wchar_t c : t)
        if (c != L'\r') text.push_back(c);
    EXPECT_EQ(0u, text.find(L"INSTSCRIPT.lua:"));
    EXPECT_NE(std::wstring::npos, text.find(L": boom in BeforeInit\n      <call stack>\n-> | "));
    EXPECT_NE(std::wstring::npos, text.find(L"\n--  | error() : line -1 [=[C] : line -1]\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\n--  | inner() : line "));
    size_t tail = text.rfind(L"]\n");
    ASSERT_NE(std::wstring::npos, tail);
    EXPECT_EQ(L"请向我们反馈以上错误信息，以便我们改善产品质量！", text.substr(tail + 2));
    // The report is logged too.
    EXPECT_TRUE(run.result.HasLine(L"xm -> | "));
}

// The standard codes end to end; the default pair is what the tests above check.
TEST(ExitCodes, StandardCodesForEachOutcome) {
    const std::pair<std::wstring, std::wstring> standard = {L"ORB_T_CODES", L"standard"};
    FlowRun ok = RunFlow(L"flow_basic.exe", {standard, {L"ORB_T_SILENT", L"true"}});
    EXPECT_EQ(0u, ok.result.exitCode);
    EXPECT_EQ(kAllHooks, ok.trace);
    FlowRun restart = RunFlow(L"flow_basic.exe", {standard, {L"ORB_T_SILENT", L"true"}, {L"ORB_T_RESTART", L"1"}});
    EXPECT_EQ(3010u, restart.result.exitCode);
    // Host failure (no layout for the interactive road).
    FlowRun failed = RunFlow(L"flow_basic.exe", {standard});
    EXPECT_EQ(1603u, failed.result.exitCode);
    FlowRun noInit = RunFlow(L"flow_layout.exe", {standard});
    EXPECT_EQ(1603u, noInit.result.exitCode);
    // The default pair ignores a restart request.
    FlowRun plain = RunFlow(L"flow_basic.exe", {{L"ORB_T_SILENT", L"true"}, {L"ORB_T_RESTART", L"1"}});
    EXPECT_EQ(1u, plain.result.exitCode);
    // A second instance while the first waits in its install hook.
    ScopedTempDir dir(L"codes");
    std::wstring wait = dir.file(L"gate");
    std::wstring guid = UniqueGuid();
    FlowRun first;
    std::thread t([&] {
        first = RunFlow(L"flow_basic.exe", {standard, {L"ORB_T_SILENT", L"true"}, {L"ORB_T_GUID", guid},
                                            {L"ORB_T_WAIT", wait}});
    });
    for (int i = 0; i < 600 && !FileExists(wait + L".started"); ++i) Sleep(50);
    FlowRun second = RunFlow(L"flow_basic.exe", {standard, {L"ORB_T_SILENT", L"true"}, {L"ORB_T_GUID", guid}});
    WriteFileBytes(wait + L".release", "");
    t.join();
    EXPECT_EQ(1618u, second.result.exitCode);
    EXPECT_EQ(0u, first.result.exitCode);
}

// Log file of a silent run whose install hook fails: the lines logged before the
// script named the file, the script's own lines in UTF-8, and the whole error report.
TEST(LogFile, SilentRunKeepsEveryLineUpToTheScriptError) {
    ScopedTempDir dir(L"log");
    // os.getenv reads the ANSI environment: an ASCII name here; UTF-8 text inside.
    std::wstring log = dir.file(L"setup log.log");
    FlowRun run = RunFlow(L"flow_basic.exe", {{L"ORB_T_CODES", L"standard"}, {L"ORB_T_SILENT", L"true"},
                                              {L"ORB_T_LOG", log}, {L"ORB_T_FAIL", L"OnInstall"}});
    EXPECT_EQ(1603u, run.result.exitCode);
    EXPECT_TRUE(run.result.boxes.empty());
    std::string bytes = ReadFileBytes(log);
    ASSERT_EQ(0u, bytes.find("\xEF\xBB\xBF")) << bytes;
    std::vector<std::string> lines = ReadLines(log);
    ASSERT_GT(lines.size(), 5u);
    auto find = [&](const std::string& text) {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(text) != std::string::npos) return static_cast<int>(i);
        return -1;
    };
    int name = find(" szObjectName = Local\\orb-flow-test-");
    int own = find("] OnInstall says 安装");
    int boom = find(": boom in OnInstall");
    int last = find("请向我们反馈以上错误信息，以便我们改善产品质量！");
    EXPECT_GE(name, 0);
    EXPECT_GT(own, name);
    EXPECT_GT(boom, own);
    EXPECT_EQ(static_cast<int>(lines.size()) - 1, last);
    for (const std::string& line : lines) {
        std::string l = line.rfind("\xEF\xBB\xBF", 0) == 0 ? line.substr(3) : line;
        // "2026-12-09 03:49:01.123 [1234] text": date, time, thread.
        ASSERT_GT(l.size(), 26u) << l;
        EXPECT_TRUE(l[4] == '-' && l[10] == ' ' && l[13] == ':' && l[19] == '.' && l[23] == ' ' && l[24] == '[')
            << l;
    }
    // Windows line ends, one per line.
    size_t lf = 0, crlf = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') continue;
        ++lf;
        if (i > 0 && bytes[i - 1] == '\r') ++crlf;
    }
    EXPECT_EQ(lines.size(), lf);
    EXPECT_EQ(lf, crlf);
}

// The log is always a new file: a file at its name (an earlier log, or a second name of
// a file elsewhere that somebody put there first) keeps its content; the next free
// numbered name is written instead and the log says which.
TEST(LogFile, AnExistingNameOrHardLinkIsNeverWrittenThrough) {
    ScopedTempDir dir(L"logx");
    std::wstring log = dir.file(L"setup.log"), second = dir.file(L"setup (2).log");
    std::wstring outside = dir.file(L"elsewhere.txt"), third = dir.file(L"setup (3).log");
    ASSERT_TRUE(WriteFileBytes(log, "earlier run\r\n"));
    ASSERT_TRUE(WriteFileBytes(outside, "not a log"));
    ASSERT_TRUE(CreateHardLinkW(second.c_str(), outside.c_str(), nullptr));
    FlowRun run = RunFlow(L"flow_basic.exe", {{L"ORB_T_SILENT", L"true"}, {L"ORB_T_LOG", log}});
    EXPECT_EQ(1u, run.result.exitCode);
    EXPECT_EQ("earlier run\r\n", ReadFileBytes(log));
    EXPECT_EQ("not a log", ReadFileBytes(outside));
    EXPECT_EQ(0u, ReadFileBytes(third).find("\xEF\xBB\xBF"));
    EXPECT_NE(std::string::npos, ReadFileBytes(third).find("OnInstall says"));
    EXPECT_TRUE(run.result.HasLine(L"xm the log file " + log + L" exists; logging to " + third));
}

TEST(LogFile, AnUnopenableLogFileIsReportedAndTheRunGoesOn) {
    FlowRun run = RunFlow(L"flow_basic.exe", {{L"ORB_T_SILENT", L"true"}, {L"ORB_T_LOG", L"Z:\\no\\such\\dir\\x.log"}});
    EXPECT_EQ(1u, run.result.exitCode);
    EXPECT_EQ(kAllHooks, run.trace);
    EXPECT_TRUE(run.result.HasLine(L"xm cannot open the log file Z:\\no\\such\\dir\\x.log, error "));
}

// require reads package.preload and the setup's own modules only: planted files beside
// the setup (the working folder too) are never run.
TEST(Modules, RequireFindsEmbeddedModulesAndNeverTheDisk) {
    ScopedTempDir dir(L"modules");
    std::wstring exe = dir.file(L"setup.exe");
    ASSERT_TRUE(CopyFileW(TestPath(L"flow_modules.exe").c_str(), exe.c_str(), FALSE));
    std::wstring marker = dir.file(L"planted-ran.txt");
    std::string plant = "local f = io.open([[" + Narrow(marker) + "]], 'w') f:write('x') f:close() return { value = 'disk' }\n";
    ASSERT_TRUE(WriteFileBytes(dir.file(L"flowmod.lua"), plant));
    ASSERT_TRUE(WriteFileBytes(dir.file(L"planted.lua"), plant));
    ASSERT_TRUE(WriteFileBytes(dir.file(L"flow.sub.lua"), plant));
    std::wstring trace = dir.file(L"trace.txt");
    ORBRunOptions o;
    o.exe = exe;
    o.workingDirectory = dir.path();
    o.environment = {{L"ORB_T_TRACE", trace}, {L"ORB_T_GUID", UniqueGuid()}};
    ORBRunResult r = ORBRunSetup(o);
    EXPECT_EQ(1u, r.exitCode);
    std::vector<std::string> lines = ReadLines(trace);
    EXPECT_EQ((std::vector<std::string>{"GLOBAL_VAR", "INSTSCRIPT", "flowmod=embedded", "same=true", "sub=dotted",
                                        "kept=preload kept", "planted=false",
                                        "message=module 'planted' not found: \tno field package.preload['planted'] "
                                        "\tno embedded module 'planted'",
                                        "path=[][] searchers=2"}),
              lines);
    EXPECT_FALSE(FileExists(marker));
}
