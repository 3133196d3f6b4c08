// orbpack: makes a setup and its uninstaller from a stub and a product folder.
//   orbpack [--target i686|x86_64] [--stub <file>] [-o <folder>] [--sign "<command with {file}>"]
//           [--preview <preview stub>] [--allow-template-guid] <product folder>
//   orbpack --list <program.exe>     prints the resources of a program
//   orbpack --new <folder> [--template <folder>]   a new product folder from the template
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "orbpackbuild.h"
#include "orbpackfiles.h"
#include "orbpacknew.h"
#include "orbpeimage.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char kUsage[] =
    "usage: orbpack [--target i686|x86_64] [--stub <file>] [-o <folder>] [--sign \"<command with {file}>\"]\n"
    "               [--preview <preview stub>] [--allow-template-guid] <product folder>\n"
    "       orbpack --list <program.exe>\n"
    "       orbpack --new <folder> [--template <folder>]\n";

// The folder of this program: the stubs of the kit lie beside it.
fs::path ProgramFolder() {
#ifdef _WIN32
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, &path[0], DWORD(path.size())));
    return fs::path(path).parent_path();
#else
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).parent_path();
#endif
}

std::string Key(const OrbResKey& k) {
    if (k.IsId()) return std::to_string(k.id);
    return std::string(k.name.begin(), k.name.end());
}

int List(const fs::path& file) {
    std::vector<uint8_t> bytes;
    std::string error;
    OrbPeImage image;
    if (!OrbPackRead(file, bytes, error) || !image.Load(std::move(bytes), error)) {
        std::fprintf(stderr, "orbpack: %s\n", error.find(OrbPackShow(file)) == 0 ? error.c_str()
                                                                                 : (OrbPackShow(file) + ": " + error).c_str());
        return 1;
    }
    for (const OrbResEntry& e : image.Resources().Entries())
        std::printf("%s %s %04x %s\n", Key(e.type).c_str(), Key(e.name).c_str(), unsigned(e.language),
                    std::to_string(e.data.size()).c_str());
    return 0;
}

// The kit holds bin/orbpack and template/ side by side.
int New(const std::vector<std::string>& args) {
    fs::path folder, templ = ProgramFolder().parent_path() / "template";
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--template" && i + 1 < args.size()) templ = fs::u8path(args[++i]);
        else if (folder.empty() && !args[i].empty() && args[i][0] != '-') folder = fs::u8path(args[i]);
        else return std::fputs(kUsage, stderr), 2;
    }
    if (folder.empty()) return std::fputs(kUsage, stderr), 2;
    std::string error;
    if (!OrbPackNewProduct(templ, folder, error)) {
        std::fprintf(stderr, "orbpack: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int Run(const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "--new") return New(args);
    OrbPackOptions o;
    std::string target = "i686";
    fs::path product;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "--list" && hasValue && args.size() == 2) return List(fs::u8path(args[1]));
        if (a == "--target" && hasValue) target = args[++i];
        else if (a == "--stub" && hasValue) o.stub = fs::u8path(args[++i]);
        else if (a == "-o" && hasValue) o.output = fs::u8path(args[++i]);
        else if (a == "--sign" && hasValue) o.sign = args[++i];
        else if (a == "--preview" && hasValue) o.preview = fs::u8path(args[++i]);
        else if (a == "--allow-template-guid") o.allowTemplateGuid = true;
        else if (!a.empty() && a[0] != '-' && product.empty()) product = fs::u8path(a);
        else return std::fputs(kUsage, stderr), 2;
    }
    if (product.empty() || (target != "i686" && target != "x86_64")) return std::fputs(kUsage, stderr), 2;
    if (o.stub.empty()) o.stub = ProgramFolder() / ("orbstub-" + target + ".exe");
    o.product = product;
    o.output = o.output.empty() ? fs::path(".") : o.output;
    // The time stamp of reproducible builds, or none.
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) o.timeStamp = uint32_t(std::strtoul(epoch, nullptr, 10));
    std::string error;
    if (!OrbPackBuild(o, error)) {
        std::fprintf(stderr, "orbpack: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

#ifdef _WIN32
// Arguments as UTF-8, whatever the console's code page.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string s(n > 0 ? size_t(n) : 1, '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, &s[0], n, nullptr, nullptr);
        s.resize(s.size() - 1);
        args.push_back(s);
    }
    return Run(args);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
