// The setup's resources: the stub's own, then the product's (scripts, modules, layout,
// images, payload, further resources), the manifest, version information and icon.
#include "orbpackbuild.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <random>

#include "orbpackdeploy.h"
#include "orbpackfiles.h"
#include "orbpackpayload.h"
#include "orbpackproduct.h"
#include "orbpackscript.h"
#include "orbpacksha256.h"
#include "orbpackwinres.h"
#include "orbpeimage.h"

namespace {

// Resources the packer adds are U.S. English, as the resource compiler writes them.
constexpr uint16_t kLanguage = 0x0409;
constexpr uint16_t kRtVersion = 16, kRtManifest = 24, kIconGroup = 128;  // ORB_IDI_ICON

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// A type or name as the resource compiler reads it: digits alone are a number.
OrbResKey Key(const std::string& s) {
    if (!s.empty() && s.size() <= 5 && s.find_first_not_of("0123456789") == std::string::npos && std::stoul(s) <= 65535)
        return OrbResKey::Id(uint16_t(std::stoul(s)));
    return OrbResKey::Name(s);
}

// Everything both programs are made of, read and checked before anything is written.
struct Inputs {
    OrbPeImage stub, preview;
    int sizeT = 4;
    std::string globalChunk, installChunk, uninstallChunk;  // empty: none
    std::vector<std::pair<std::string, std::string>> modules;  // resource name, chunk
    std::vector<uint8_t> payload, layout, icon;
    struct Image {
        bool large;  // PNG2X rather than PNG
        uint16_t id;
        std::vector<uint8_t> png;
    };
    std::vector<Image> images;
};

bool Compile(const fs::path& file, uint64_t payloadSize, bool substitute, int sizeT, std::string& chunk,
             std::string& error) {
    std::vector<uint8_t> bytes;
    if (!OrbPackRead(file, bytes, error)) return false;
    std::string source(bytes.begin(), bytes.end());
    if (substitute) {
        const std::string token = "@ORB_PAYLOAD_SIZE@", value = std::to_string(payloadSize);
        for (size_t at = source.find(token); at != std::string::npos; at = source.find(token, at + value.size()))
            source.replace(at, token.size(), value);
    }
    return OrbPackCompile(file, source, sizeT, chunk, error);
}

bool ReadInputs(const OrbPackProduct& p, const OrbPackOptions& o, Inputs& in, std::string& error) {
    std::vector<uint8_t> stub;
    if (!OrbPackRead(o.stub, stub, error)) return false;
    if (!in.stub.Load(std::move(stub), error)) return error = OrbPackShow(o.stub) + ": " + error, false;
    in.sizeT = in.stub.Is64() ? 8 : 4;
    if (!o.preview.empty()) {
        std::vector<uint8_t> preview;
        if (!OrbPackRead(o.preview, preview, error)) return false;
        if (!in.preview.Load(std::move(preview), error)) return error = OrbPackShow(o.preview) + ": " + error, false;
    }

    uint64_t payloadSize = 0;
    std::error_code ec;
    if (!p.payload.empty()) {
        if (fs::is_directory(p.payload, ec)) {
            if (!OrbPackArchiveFolder(p.payload, p.payloadLevel, in.payload, error)) return false;
            payloadSize = OrbPackFolderSize(p.payload);
        } else {
            if (!OrbPackRead(p.payload, in.payload, error)) return false;
            if (!OrbPackArchiveSize(in.payload, payloadSize))
                return error = OrbPackShow(p.payload) + ": not a 7z archive", false;
        }
        OrbPackStoredForm(in.payload);
    }
    bool sub = p.payloadSizeInScripts;
    if ((!p.globalScript.empty() && !Compile(p.globalScript, payloadSize, sub, in.sizeT, in.globalChunk, error)) ||
        (!p.installScript.empty() && !Compile(p.installScript, payloadSize, sub, in.sizeT, in.installChunk, error)) ||
        (!p.uninstallScript.empty() &&
         !Compile(p.uninstallScript, payloadSize, sub, in.sizeT, in.uninstallChunk, error)))
        return false;
    for (const fs::path& m : p.modules) {
        std::string name = OrbPackShow(m.stem());
        for (char c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.')
                return error = OrbPackShow(m) + ": a module is named <name>.lua (letters, digits, _ and .)", false;
        std::string chunk;
        if (!Compile(m, payloadSize, false, in.sizeT, chunk, error)) return false;
        in.modules.emplace_back(name + ".LUAC", chunk);
    }
    if (!p.layout.empty()) {
        std::vector<uint8_t> bytes;
        if (!OrbPackRead(p.layout, bytes, error) || !OrbPackLayout(p.layout, bytes, in.layout, error)) return false;
    }
    if (!p.images.empty()) {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(p.images, ec))
            if (e.path().extension() == ".png" || e.path().extension() == ".PNG") files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& f : files) {
            std::string stem = OrbPackShow(f.stem());
            bool large = stem.size() > 3 && (stem.compare(stem.size() - 3, 3, "@2x") == 0 ||
                                             stem.compare(stem.size() - 3, 3, "@2X") == 0);
            std::string number = large ? stem.substr(0, stem.size() - 3) : stem;
            if (number.empty() || number.size() > 5 || number.find_first_not_of("0123456789") != std::string::npos ||
                std::stoul(number) > 65535)
                return error = OrbPackShow(f) + ": an image is named <number>.png or <number>@2x.png", false;
            std::vector<uint8_t> bytes;
            if (!OrbPackRead(f, bytes, error) || !OrbPackCheckPng(f, bytes, error)) return false;
            in.images.push_back({large, uint16_t(std::stoul(number)), std::move(bytes)});
        }
    }
    if (!p.icon.empty() && !OrbPackRead(p.icon, in.icon, error)) return false;
    return true;
}

// Runs the signing command with {file} replaced by the quoted path of `file`; false
// with a reason when it fails.
bool Sign(const std::string& command, const fs::path& file, std::string& error) {
    std::string quoted = "\"" + OrbPackShow(file) + "\"", line = command;
    for (size_t at = line.find("{file}"); at != std::string::npos; at = line.find("{file}", at + quoted.size()))
        line.replace(at, 6, quoted);
    if (OrbPackSystem(line) != 0) {
        error = OrbPackShow(file) + ": the signing command failed: " + line;
        return false;
    }
    return true;
}

// A Unix time as a file time. C++17 has no conversion between the two clocks: the
// difference of their present moments, rounded to whole seconds as their epochs are.
fs::file_time_type FileTime(uint32_t unixTime) {
    using namespace std::chrono;
    auto sys = system_clock::from_time_t(time_t(unixTime));
    auto when = fs::file_time_type::clock::now() + duration_cast<fs::file_time_type::duration>(sys - system_clock::now());
    return fs::file_time_type(round<seconds>(when.time_since_epoch()));
}

// A stub's own resources with the product's added (the product's win on a clash) and
// the product's icon in place of the stub's.
bool Merged(const OrbResources& stub, const OrbResources& product, const OrbPackProduct& p, const Inputs& in,
            OrbResources& all, std::string& error) {
    all = stub;
    for (const OrbResEntry& e : product.Entries()) all.Set(e.type, e.name, e.language, e.data);
    if (!in.icon.empty() && !OrbPackSetIcon(all, kIconGroup, kLanguage, in.icon, error))
        return error = OrbPackShow(p.icon) + ": " + error, false;
    return true;
}

// The resources common to the setup and the uninstaller (but the icon, see Merged).
void AddCommon(OrbResources& res, const OrbPackProduct& p, const Inputs& in, const OrbPackVersion& version) {
    res.Set(OrbResKey::Id(kRtManifest), OrbResKey::Id(1), kLanguage, OrbPackManifest(p.executionLevel));
    res.Set(OrbResKey::Id(kRtVersion), OrbResKey::Id(1), kLanguage, OrbPackVersionInfo(version));
    const OrbResKey lua = OrbResKey::Name("LUA"), mod = OrbResKey::Name("LUAMOD");
    if (!in.globalChunk.empty()) res.Set(lua, OrbResKey::Name("GLOBAL_VAR.LUAC"), kLanguage, Bytes(in.globalChunk));
    for (const auto& [name, chunk] : in.modules) res.Set(mod, OrbResKey::Name(name), kLanguage, Bytes(chunk));
}

}  // namespace

bool OrbPackBuild(const OrbPackOptions& o, std::string& error) {
    OrbPackProduct p;
    if (!OrbPackLoadProduct(o.product, p, error)) return false;
    if (p.templateGuid && !o.allowTemplateGuid)
        return error = OrbPackShow(p.globalScript) +
                       ": global_install_mutex_guid is the template's; give the product a GUID of its own"
                       " (orbpack --new makes a product folder with one)",
               false;
    Inputs in;
    if (!ReadInputs(p, o, in, error)) return false;
    const OrbResKey lua = OrbResKey::Name("LUA"), sevenZip = OrbResKey::Name("_7Z");

    std::vector<uint8_t> uninstaller;
    std::string uninstName = p.uninstallerOutput + ".exe";
    // What the packer adds, kept apart from the stub's own: the preview gets the same.
    OrbResources setup;
    if (p.makeUninstaller) {
        // The host with the uninstall script as its install script, no layout, no payload.
        OrbResources res, all;
        AddCommon(res, p, in, {p.name, p.version, p.publisher, p.uninstallerDescription, uninstName});
        res.Set(lua, OrbResKey::Name("INSTSCRIPT.LUAC"), kLanguage, Bytes(in.uninstallChunk));
        if (!Merged(in.stub.Resources(), res, p, in, all, error)) return false;
        uninstaller = in.stub.Write(all, o.timeStamp);
        // Packed beside the setup's resources as a one-file archive; the file time is
        // the image's time stamp, so the archive is the same on every run.
        std::error_code ec;
        fs::path dir = fs::temp_directory_path(ec) / ("orbpack-" + std::to_string(std::random_device()()));
        fs::create_directories(dir, ec);
        fs::path file = dir / fs::u8path(uninstName);
        bool ok = !ec && OrbPackWrite(file, uninstaller, error);
        // Signed before it is embedded: what the setup unpacks is the signed program.
        if (ok && !o.sign.empty()) ok = Sign(o.sign, file, error) && OrbPackRead(file, uninstaller, error);
        if (ok) fs::last_write_time(file, FileTime(o.timeStamp), ec);
        std::vector<uint8_t> packed;
        ok = ok && OrbPackArchiveFolder(dir, 9, packed, error);
        fs::remove_all(dir, ec);
        if (!ok) return false;
        OrbPackStoredForm(packed);
        setup.Set(sevenZip, OrbResKey::Name(p.uninstallerResource), kLanguage, std::move(packed));
    }

    std::string setupName = p.output + ".exe";
    AddCommon(setup, p, in, {p.name, p.version, p.publisher, p.description, setupName});
    if (!in.installChunk.empty()) setup.Set(lua, OrbResKey::Name("INSTSCRIPT.LUAC"), kLanguage, Bytes(in.installChunk));
    if (!in.uninstallChunk.empty())
        setup.Set(lua, OrbResKey::Name("UNINSTSCRIPT.LUAC"), kLanguage, Bytes(in.uninstallChunk));
    if (!in.layout.empty()) setup.Set(OrbResKey::Name("XML"), OrbResKey::Name("LAYOUT.XML"), kLanguage, in.layout);
    for (const Inputs::Image& i : in.images)
        setup.Set(OrbResKey::Name(i.large ? "PNG2X" : "PNG"), OrbResKey::Id(i.id), kLanguage, i.png);
    for (const OrbPackResource& r : p.resources) {
        std::vector<uint8_t> bytes;
        if (!OrbPackRead(r.file, bytes, error)) return false;
        setup.Set(Key(r.type), Key(r.name), kLanguage, std::move(bytes));
    }
    if (!in.payload.empty() && !p.appendPayload) setup.Set(sevenZip, OrbResKey::Name("APP.7Z"), kLanguage, in.payload);
    if (!in.payload.empty() && p.appendPayload) {
        // The appended archive's SHA-256 and size (64-bit, little-endian) go into the image,
        // where a signature covers them: the setup unpacks the archive only when they match.
        const std::string hex = OrbPackSha256(in.payload);
        std::vector<uint8_t> digest;
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            digest.push_back(uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
        const uint64_t size = in.payload.size();
        for (int i = 0; i < 8; ++i) digest.push_back(uint8_t(size >> (8 * i)));
        setup.Set(OrbResKey::Name("PAYLOADSHA256"), OrbResKey::Name("APP.7Z"), kLanguage, std::move(digest));
    }
    OrbResources all;
    if (!Merged(in.stub.Resources(), setup, p, in, all, error)) return false;
    std::vector<uint8_t> image = in.stub.Write(all, o.timeStamp);
    std::vector<uint8_t> preview;
    if (!o.preview.empty()) {
        if (!Merged(in.preview.Resources(), setup, p, in, all, error)) return false;
        preview = in.preview.Write(all, o.timeStamp);
    }
    if (!in.payload.empty() && p.appendPayload && !OrbPackAppendPayload(image, in.payload, "APP.7Z", error))
        return false;

    fs::path setupFile = o.output / fs::u8path(setupName), uninstFile = o.output / fs::u8path(uninstName);
    fs::path previewFile = o.output / fs::u8path(p.output + "-preview.exe");
    if (p.sizeBudget && image.size() > p.sizeBudget) {
        error = OrbPackShow(setupFile) + ": " + std::to_string(image.size()) + " bytes, over its budget of " +
                std::to_string(p.sizeBudget) + " bytes";
        return false;
    }
    if (!o.sign.empty()) {
        // Signed last, after an appended payload: the signature covers everything, and
        // the setup finds the payload entry just before the certificate table.
        std::error_code ec;
        fs::path tmp = o.output / fs::u8path(p.output + ".orbpack-sign.exe");
        bool ok = OrbPackWrite(tmp, image, error) && Sign(o.sign, tmp, error) && OrbPackRead(tmp, image, error);
        fs::remove(tmp, ec);
        if (!ok) return false;
    }
    fs::path wingetFile = o.output / fs::u8path(p.output + ".winget.yaml");
    fs::path detectionFile = o.output / fs::u8path(p.output + ".detection.json");
    if (p.deployment && p.uninstallKey.empty())
        return error = OrbPackShow(p.globalScript) + ": no global_uninstall_key for the deployment metadata", false;
    // The setup last: a setup on disk always comes with everything that belongs to it;
    // on a failure the files written before it go again.
    std::vector<std::pair<fs::path, std::vector<uint8_t>>> files;
    if (!uninstaller.empty()) files.emplace_back(uninstFile, uninstaller);
    if (!preview.empty()) files.emplace_back(previewFile, preview);
    if (p.deployment) {
        files.emplace_back(wingetFile, Bytes(OrbPackWingetManifest(p, image, in.stub.Is64())));
        files.emplace_back(detectionFile, Bytes(OrbPackDetectionRule(p, in.stub.Is64())));
    }
    files.emplace_back(setupFile, image);
    for (size_t i = 0; i < files.size(); ++i) {
        if (OrbPackWrite(files[i].first, files[i].second, error)) continue;
        std::error_code ec;
        for (size_t k = 0; k < i; ++k) fs::remove(files[k].first, ec);
        return false;
    }
    return true;
}
