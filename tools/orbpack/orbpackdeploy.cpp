// The manifest and detection rule. The kit's switches are fixed by its cmdline module;
// the exit codes follow global_exit_codes.
#include "orbpackdeploy.h"

#include "orbpacksha256.h"

namespace {

// A YAML scalar in double quotes.
std::string Quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

bool MachineScope(const OrbPackProduct& p) { return p.executionLevel != "asInvoker"; }

// The key's last part, the name the Programs and Features entry is found by.
std::string ProductCode(const OrbPackProduct& p) {
    size_t slash = p.uninstallKey.find_last_of('\\');
    return slash == std::string::npos ? p.uninstallKey : p.uninstallKey.substr(slash + 1);
}

}  // namespace

std::string OrbPackWingetManifest(const OrbPackProduct& p, const std::vector<uint8_t>& image, bool is64) {
    std::string y;
    y += "# yaml-language-server: $schema=https://aka.ms/winget-manifest.singleton.1.6.0.schema.json\n";
    y += "PackageIdentifier: " + Quoted(p.packageId) + "\n";
    y += "PackageVersion: " + Quoted(p.version) + "\n";
    y += "PackageLocale: en-US\n";
    y += "Publisher: " + Quoted(p.publisher) + "\n";
    y += "PackageName: " + Quoted(p.name) + "\n";
    y += "License: " + Quoted(p.license.empty() ? "Proprietary" : p.license) + "\n";
    y += "ShortDescription: " + Quoted(p.shortDescription.empty() ? p.name : p.shortDescription) + "\n";
    y += "Installers:\n";
    y += std::string("- Architecture: ") + (is64 ? "x64" : "x86") + "\n";
    y += "  InstallerType: exe\n";
    y += "  InstallerUrl: " + Quoted(p.installerUrl) + "\n";
    y += "  InstallerSha256: " + OrbPackSha256(image) + "\n";
    y += std::string("  Scope: ") + (MachineScope(p) ? "machine" : "user") + "\n";
    y += "  InstallerSwitches:\n";
    y += "    Silent: /S\n";
    y += "    SilentWithProgress: /PASSIVE\n";
    y += "    InstallLocation: /D=<INSTALLPATH>\n";
    y += "    Log: /LOG=\"<LOGPATH>\"\n";
    if (p.standardExitCodes) {
        y += "  ExpectedReturnCodes:\n";
        const std::pair<int, const char*> codes[] = {
            {1602, "cancelledByUser"}, {1618, "installInProgress"}, {87, "invalidParameter"},
            {3010, "rebootRequiredToFinish"}};
        for (auto [code, response] : codes)
            y += "  - InstallerReturnCode: " + std::to_string(code) + "\n    ReturnResponse: " + response + "\n";
    } else {
        // The host's own pair: 1 when the setup ran to its end.
        y += "  InstallerSuccessCodes:\n  - 1\n";
    }
    if (!p.uninstallKey.empty()) y += "  ProductCode: " + Quoted(ProductCode(p)) + "\n";
    y += "ManifestType: singleton\n";
    y += "ManifestVersion: 1.6.0\n";
    return y;
}

std::string OrbPackDetectionRule(const OrbPackProduct& p, bool is64) {
    auto json = [](const std::string& s) {
        std::string out = "\"";
        for (char c : s) {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
        return out + "\"";
    };
    std::string hive = MachineScope(p) ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\";
    std::string j = "{\n";
    j += "  \"@odata.type\": \"#microsoft.graph.win32LobAppRegistryDetection\",\n";
    // A 32-bit setup's key lies in the 32-bit view on 64-bit Windows.
    j += std::string("  \"check32BitOn64System\": ") + (is64 ? "false" : "true") + ",\n";
    j += "  \"keyPath\": " + json(hive + p.uninstallKey) + ",\n";
    j += "  \"valueName\": \"DisplayVersion\",\n";
    j += "  \"detectionType\": \"version\",\n";
    j += "  \"operator\": \"greaterThanOrEqual\",\n";
    j += "  \"detectionValue\": " + json(p.version) + "\n";
    j += "}\n";
    return j;
}
