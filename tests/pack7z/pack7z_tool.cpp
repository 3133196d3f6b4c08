// Driver for check-with-7z.py: "pack <folder> <archive>" through the packer's writer,
// "extract <archive> <folder>" through the setup's extractor. Errors go to stderr.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "orb7zextract.h"
#include "orbpackarchive.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 2;
    std::wstring verb = argv[1];
    if (verb == L"pack") {
        std::string error;
        if (OrbPackWriteArchive(std::filesystem::path(argv[2]), std::filesystem::path(argv[3]), OrbPackArchiveOptions(),
                                error))
            return 0;
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (verb == L"extract") {
        int status = Extract7zFromFile(argv[3], argv[2], ORB7zCallbacks());
        if (status != 0) std::fprintf(stderr, "extraction status %d\n", status);
        return status == 0 ? 0 : 1;
    }
    return 2;
}
