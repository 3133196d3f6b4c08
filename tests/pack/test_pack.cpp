// The PE resource writer and the packer's output, read back by Windows' own resource,
// checksum and version functions.
#include <windows.h>
#include <imagehlp.h>

#include <cstring>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "orbpeimage.h"
#include "orbresourceids.h"
#include "orbtestutil.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> Stub() { return Bytes(ReadFileBytes(TestPath(L"orbstub.exe"))); }

// A resource of a module loaded as data, or "<missing>".
std::string Resource(HMODULE m, const wchar_t* type, const wchar_t* name, WORD language) {
    HRSRC r = FindResourceExW(m, type, name, language);
    if (!r) return "<missing>";
    HGLOBAL g = LoadResource(m, r);
    return std::string(static_cast<const char*>(LockResource(g)), SizeofResource(m, r));
}

struct DataModule {
    HMODULE m;
    explicit DataModule(const std::wstring& file)
        : m(LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~DataModule() {
        if (m) FreeLibrary(m);
    }
};

}  // namespace

// Resources added to the stub are found by Windows' lookup (a binary search, so only in
// the right order), the stub's own texts stay, and the checksum is the one Windows computes.
TEST(PeResources, WrittenResourcesAreFoundByWindowsBesideTheStubsOwn) {
    OrbPeImage stub;
    std::string error;
    ASSERT_TRUE(stub.Load(Stub(), error)) << error;
    OrbResources res = stub.Resources();
    std::string big(1 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7 + (i >> 9));
    const char* names[] = {"_7Z", "XML", "LUA", "PNG2X", "PNG", "A", "LUAMOD", "Z9"};
    for (const char* type : names) res.Set(OrbResKey::Name(type), OrbResKey::Name("N.X"), 0x409, Bytes(type));
    res.Set(OrbResKey::Name("PNG"), OrbResKey::Id(301), 0x409, Bytes("three-oh-one"));
    res.Set(OrbResKey::Id(10), OrbResKey::Name("BIG"), 0x409, Bytes(big));
    res.Set(OrbResKey::Id(10), OrbResKey::Name("BIG"), 0x804, Bytes("chinese"));
    res.Set(OrbResKey::Name("lua"), OrbResKey::Name("n.x"), 0x409, Bytes("replaced"));  // same key, upper-cased

    ScopedTempDir dir(L"peres");
    std::vector<uint8_t> image = stub.Write(res, 0x12345678);
    ASSERT_TRUE(WriteFileBytes(dir.file(L"out.exe"), std::string(image.begin(), image.end())));
    {
        DataModule m(dir.file(L"out.exe"));
        ASSERT_NE(nullptr, m.m);
        for (const char* type : names) {
            std::wstring w(type, type + std::strlen(type));
            EXPECT_EQ(std::string(type) == "LUA" ? "replaced" : type, Resource(m.m, w.c_str(), L"N.X", 0x409)) << type;
        }
        EXPECT_EQ("three-oh-one", Resource(m.m, L"PNG", MAKEINTRESOURCEW(301), 0x409));
        EXPECT_EQ(big, Resource(m.m, RT_RCDATA, L"BIG", 0x409));
        EXPECT_EQ("chinese", Resource(m.m, RT_RCDATA, L"BIG", 0x804));
        // The stub's own host texts and dialog template are still there.
        wchar_t text[64] = {};
        EXPECT_GT(LoadStringW(m.m, ORB_IDS_HOST_TEXT_BASE + 1, text, 64), 0);
        EXPECT_NE(nullptr, FindResourceW(m.m, MAKEINTRESOURCEW(ORB_IDD_DIALOG), RT_DIALOG));
    }
    DWORD stored = 0, computed = 0;
    ASSERT_EQ(DWORD(CHECKSUM_SUCCESS), MapFileAndCheckSumW(dir.file(L"out.exe").c_str(), &stored, &computed));
    EXPECT_EQ(computed, stored);

    // Read back by the writer itself: the same entries, and writing them again gives
    // the same bytes (nothing depends on the order they were added in).
    OrbPeImage again;
    ASSERT_TRUE(again.Load(image, error)) << error;
    EXPECT_EQ(res.Entries().size(), again.Resources().Entries().size());
    EXPECT_TRUE(image == again.Write(again.Resources(), 0x12345678));
}

// A signed stub would carry a signature that no longer matches: refused, as is an image
// with data after its last section (an appended payload) or no PE image at all.
TEST(PeResources, RefusesSignedStubsTrailingDataAndOtherFiles) {
    std::vector<uint8_t> stub = Stub();
    size_t pe = stub[60] | stub[61] << 8;
    bool is64 = (stub[pe + 24] | stub[pe + 25] << 8) == 0x20B;
    size_t security = pe + 24 + (is64 ? 112 : 96) + 8 * 4;
    std::vector<uint8_t> signedStub = stub;
    signedStub[security] = 0x10;
    signedStub[security + 4] = 0x10;
    std::vector<uint8_t> trailing = stub;
    trailing.push_back(0);

    OrbPeImage image;
    std::string error;
    EXPECT_FALSE(image.Load(signedStub, error));
    EXPECT_NE(std::string::npos, error.find("signature")) << error;
    EXPECT_FALSE(image.Load(trailing, error));
    EXPECT_FALSE(image.Load(Bytes("MZ not a program at all, long enough to have a header, or so"), error));
    EXPECT_TRUE(image.Load(stub, error)) << error;
}

#ifndef ORB_PACK_NO_PRODUCTS
namespace {

std::wstring VersionString(const std::wstring& file, const wchar_t* key) {
    DWORD handle = 0, size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    std::vector<char> data(size);
    if (!size || !GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return L"<none>";
    wchar_t* value = nullptr;
    UINT len = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
    if (!VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &len)) return L"<missing>";
    return value;
}

}  // namespace

// The setup orbpack made of tests/pack/product: version information, manifest, scripts,
// module, layout and images as the host and Windows look for them.
TEST(Packer, SetupCarriesTheProductAsTheHostLooksForIt) {
    std::wstring setup = TestPath(L"packed\\tiny-setup.exe");
    EXPECT_EQ(L"Tiny", VersionString(setup, L"ProductName"));
    EXPECT_EQ(L"2.3.4", VersionString(setup, L"ProductVersion"));
    EXPECT_EQ(L"Tiny Maker", VersionString(setup, L"CompanyName"));
    EXPECT_EQ(L"Tiny Setup", VersionString(setup, L"FileDescription"));
    EXPECT_EQ(L"tiny-setup.exe", VersionString(setup, L"OriginalFilename"));

    DataModule m(setup);
    ASSERT_NE(nullptr, m.m);
    EXPECT_NE(std::string::npos, Resource(m.m, RT_MANIFEST, MAKEINTRESOURCEW(1), 0x409).find("level=\"asInvoker\""));
    for (const wchar_t* name : {L"GLOBAL_VAR.LUAC", L"INSTSCRIPT.LUAC", L"UNINSTSCRIPT.LUAC"})
        EXPECT_EQ(0u, Resource(m.m, ORB_RES_W(ORB_RT_LUA), name, 0x409).find("\x1bLuaR")) << Narrow(name);
    EXPECT_EQ(0u, Resource(m.m, ORB_RES_W(ORB_RT_LUAMOD), L"tinymod.LUAC", 0x409).find("\x1bLuaR"));
    std::string layout = Resource(m.m, ORB_RES_W(ORB_RT_XML), ORB_RES_W(ORB_RN_LAYOUT), 0x409);
    EXPECT_EQ(0u, layout.find("\xFF\xFE<\0?\0x\0m\0l\0", 0, 10));
    EXPECT_EQ(0u, Resource(m.m, ORB_RES_W(ORB_RT_PNG), MAKEINTRESOURCEW(301), 0x409).find("\x89PNG"));
    EXPECT_EQ(0u, Resource(m.m, ORB_RES_W(ORB_RT_PNG2X), MAKEINTRESOURCEW(301), 0x409).find("\x89PNG"));
    // The payload stored with its first two bytes exchanged; the extra resource as given.
    EXPECT_EQ(0u, Resource(m.m, ORB_RES_W(ORB_RT_7Z), ORB_RES_W(ORB_RN_PAYLOAD), 0x409).find("z7\xBC\xAF"));
    EXPECT_EQ(0u, Resource(m.m, ORB_RES_W(ORB_RT_7Z), L"EXTRA.7Z", 0x409).find("7z\xBC\xAF"));
    EXPECT_EQ(0u, Resource(m.m, RT_RCDATA, MAKEINTRESOURCEW(77), 0x409).find("7z\xBC\xAF"));
    // The stub's default icon stays when the product gives none.
    EXPECT_NE(nullptr, FindResourceW(m.m, MAKEINTRESOURCEW(ORB_IDI_ICON), RT_GROUP_ICON));
}

// The layout preview written beside it (--preview) carries the same product.
TEST(Packer, PreviewCarriesTheSetupsProduct) {
    DataModule m(TestPath(L"packed\\tiny-setup-preview.exe"));
    ASSERT_NE(nullptr, m.m);
    EXPECT_NE(std::string::npos, Resource(m.m, RT_MANIFEST, MAKEINTRESOURCEW(1), 0x409).find("level=\"asInvoker\""));
    EXPECT_EQ(0u, Resource(m.m, ORB_RES_W(ORB_RT_LUA), L"GLOBAL_VAR.LUAC", 0x409).find("\x1bLuaR"));
    EXPECT_EQ(0u, Resource(m.m, ORB_RES_W(ORB_RT_PNG), MAKEINTRESOURCEW(301), 0x409).find("\x89PNG"));
    EXPECT_EQ(0u, Resource(m.m, ORB_RES_W(ORB_RT_XML), ORB_RES_W(ORB_RN_LAYOUT), 0x409).find("\xFF\xFE"));
    EXPECT_NE(nullptr, FindResourceW(m.m, MAKEINTRESOURCEW(ORB_IDD_DIALOG), RT_DIALOG));
}
#endif
