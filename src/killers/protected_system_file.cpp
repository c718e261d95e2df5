#include "killers/protected_system_file.h"

#include <windows.h>

#include "common/file_digest.h"
#include "common/proc_address.h"
#include "common/system_directories.h"
#include "sysfile/edition_index.h"
#include "sysfile/file_version.h"
#include "sysfile/path_key.h"

namespace {

bool IndexRecordsGoodCopy(const FileIndex& index, const Digest& content) {
    for (size_t i = 0; i < index.RecordCount(); ++i)
        if (index.Record(i).goodDigest == content)
            return true;
    return false;
}

bool IndexKnows(const std::wstring& path) {
    FileIndex index;
    if (!LoadRunningEditionIndex(index))
        return false;
    PathKey key;
    if (ComputePathKey(path, WindowsDirectoryWithSlash(), key) &&
        index.Find(key).outcome == FindOutcome::Hit)
        return true;
    Digest content;
    return DigestOfFile(path, content) && IndexRecordsGoodCopy(index, content);
}

bool WindowsFileProtectionNames(const std::wstring& path) {
    using IsProtected = BOOL(WINAPI*)(HANDLE, LPCWSTR);
    // Present from Windows 2000 on, and loaded from the system directory
    // only: a bare name would be looked for in the program's folder first.
    // The library stays loaded, like an import-linked one would.
    const std::wstring systemDir = SystemDirectoryWithSlash();
    const HMODULE sfc =
        systemDir.empty() ? nullptr : LoadLibraryW((systemDir + L"sfc.dll").c_str());
    const auto isProtected = sfc ? ProcAddress<IsProtected>(sfc, "SfcIsFileProtected") : nullptr;
    return isProtected && isProtected(nullptr, path.c_str());
}

} // namespace

bool MadeByMicrosoft(const std::wstring& path) {
    std::wstring company;
    return FileVersionText(path, L"CompanyName", company) &&
           company.find(L"Microsoft") != std::wstring::npos;
}

bool IsGoodCopyOfSystemFile(const Digest& content) {
    FileIndex index;
    return LoadRunningEditionIndex(index) && IndexRecordsGoodCopy(index, content);
}

bool IsProtectedSystemFile(const std::wstring& path) {
    return IndexKnows(path) || WindowsFileProtectionNames(path) || MadeByMicrosoft(path);
}
