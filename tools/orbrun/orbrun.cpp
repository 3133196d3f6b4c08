// orbrun: runs a setup program, prints its debug-output lines and message boxes, answers
// the boxes as told, and exits with the program's exit code (255: not started or timed out).
//
// usage: orbrun [--timeout ms] [--answer ok|cancel|abort|retry|ignore|yes|no]...
//               [--env NAME=VALUE]... [--cwd DIR] [--] program [arguments...]
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <map>
#include <string>

#include "orbrundriver.h"

namespace {

void Print(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], n,
                            nullptr, nullptr);
    utf8 += '\n';
    fwrite(utf8.data(), 1, utf8.size(), stdout);
    fflush(stdout);
}

std::wstring Trimmed(std::wstring s) {
    while (!s.empty() && (s.back() == L'\n' || s.back() == L'\r')) s.pop_back();
    return s;
}

// What an exit code means; the driver cannot know which set the product uses, so the
// two meanings of 0 and 1 are both given.
std::wstring ExitMeaning(DWORD code) {
    switch (code) {
    case 0: return L"standard codes: installed; default codes: not completed";
    case 1: return L"default codes: completed";
    case 87: return L"standard codes: bad command line";
    case 1602: return L"standard codes: cancelled by the user";
    case 1603: return L"standard codes: failed";
    case 1618: return L"standard codes: another instance is running";
    case 3010: return L"standard codes: installed, restart needed";
    default: return L"not a code of the setup";
    }
}

int Usage() {
    Print(L"usage: orbrun [--timeout ms] [--answer ok|cancel|abort|retry|ignore|yes|no]... "
          L"[--env NAME=VALUE]... [--cwd DIR] [--] program [arguments...]");
    return 255;
}

std::wstring QuoteArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
        } else {
            if (c == L'"') out.append(slashes + 1, L'\\');
            slashes = 0;
        }
        out.push_back(c);
    }
    out.append(slashes, L'\\');
    return out + L"\"";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    static const std::map<std::wstring, int> kButtons = {
        {L"ok", IDOK},         {L"cancel", IDCANCEL}, {L"abort", IDABORT}, {L"retry", IDRETRY},
        {L"ignore", IDIGNORE}, {L"yes", IDYES},       {L"no", IDNO}};
    ORBRunOptions options;
    int i = 1;
    for (; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--") {
            ++i;
            break;
        }
        if (a.rfind(L"--", 0) != 0) break;
        if (i + 1 >= argc) return Usage();
        std::wstring v = argv[++i];
        if (a == L"--timeout") {
            options.timeoutMs = static_cast<DWORD>(_wtoi(v.c_str()));
        } else if (a == L"--answer") {
            auto it = kButtons.find(v);
            if (it == kButtons.end()) return Usage();
            options.answers.push_back(it->second);
        } else if (a == L"--env") {
            size_t eq = v.find(L'=');
            if (eq == std::wstring::npos) return Usage();
            options.environment.emplace_back(v.substr(0, eq), v.substr(eq + 1));
        } else if (a == L"--cwd") {
            options.workingDirectory = v;
        } else {
            return Usage();
        }
    }
    if (i >= argc) return Usage();
    options.exe = argv[i++];
    for (; i < argc; ++i) {
        if (!options.arguments.empty()) options.arguments += L" ";
        options.arguments += QuoteArgument(argv[i]);
    }
    options.onLine = [](const std::wstring& line) { Print(L"log: " + Trimmed(line)); };

    ORBRunResult r = ORBRunSetup(options);
    if (!r.started) {
        Print(L"error: cannot start " + options.exe);
        return 255;
    }
    for (const auto& box : r.boxes) {
        std::wstring name = L"?";
        for (const auto& kv : kButtons)
            if (kv.second == box.answer) name = kv.first;
        Print(L"msgbox: [" + box.caption + L"] " + box.text + L" -> " + name);
    }
    if (r.timedOut) {
        Print(L"error: timed out");
        return 255;
    }
    Print(L"exit code: " + std::to_wstring(r.exitCode) + L" (" + ExitMeaning(r.exitCode) + L")");
    return static_cast<int>(r.exitCode);
}
