// Helpers shared by the test programs.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "orbrundriver.h"

// Folder of the running test program (where the test products are built), with a
// trailing backslash.
std::wstring TestBinDir();

// Full path of a file in the test folder.
std::wstring TestPath(const std::wstring& name);

// A fresh, empty folder under the system temp folder, removed with its content by the
// destructor.
class ScopedTempDir {
public:
    explicit ScopedTempDir(const std::wstring& tag = L"orbtest");
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;
    const std::wstring& path() const { return path_; }  // no trailing backslash
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Whole file as bytes / UTF-8 text; empty when missing.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);

// Every file and folder below dir, named relative to it (a folder with a trailing backslash
// and "<dir>"), each file with its bytes, or with its size in decimal when bytes is false
// (read from the folder entry: a file held by another program cannot be read). Empty when
// dir cannot be listed.
std::map<std::wstring, std::string> FolderTree(const std::wstring& dir, bool bytes = true);

// Lines of a UTF-8 text file, without line ends.
std::vector<std::string> ReadLines(const std::wstring& path);

// Runs a test product (name of an .exe in the test folder) through the run driver.
ORBRunResult RunProduct(const std::wstring& exeName, ORBRunOptions options = ORBRunOptions());

// Log lines captured from the in-process log facility while the object lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    std::vector<std::wstring> lines() const;
    bool Has(const std::wstring& text) const;
    void Clear();
};

std::string Narrow(const std::wstring& text);  // UTF-8, for test messages

// A value under HKLM as text (strings as stored, DWORDs in decimal); "<missing>" when absent.
std::wstring RegText(const wchar_t* key, const wchar_t* name);
// A shell folder by CSIDL; empty when there is none.
std::wstring SpecialFolder(int csidl);
// A run's log lines and the message boxes it showed (UTF-8), for failure messages.
std::string Dump(const ORBRunResult& r);
