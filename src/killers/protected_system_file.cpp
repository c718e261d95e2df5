#include "killers/protected_system_file.h"

#include <windows.h>

#include "common/file_digest.h"
#include "common/proc_address.h"
#include "common/system_directories.h"
#include "sysfile/edition_index.h"
#include "sysfile/file_version.h"
#include "sysfile/path_key.h"

namespace {

bool IndexKnows(const std::wstring& path) {
    FileIndex index;
    if (!LoadRunningEditionIndex(index))
        return false;
    PathKey key;
    if (ComputePathKey(path, WindowsDirectoryWithSlash(), key) &&
        index.Find(key).outcome == FindOutcome::Hit)
        return true;
    Digest content;
    if (!DigestOfFile(path, content))
        return false;
    for (size_t i = 0; i < index.RecordCount(); ++i)
        if (index.Record(i).goodDigest == content)
            return true;
    return false;
}

bool WindowsFileProtectionNames(const std::wstring& path) {
    using IsProtected = BOOL(WINAPI*)(HANDLE, LPCWSTR);
    // Present from Windows 2000 on; the library stays loaded, like an
    // import-linked one would.
    const HMODULE sfc = LoadLibraryW(L"sfc.dll");
    const auto isProtected = sfc ? ProcAddress<IsProtected>(sfc, "SfcIsFileProtected") : nullptr;
    return isProtected && isProtected(nullptr, path.c_str());
}

bool MadeByMicrosoft(const std::wstring& path) {
    std::wstring company;
    return FileVersionText(path, L"CompanyName", company) &&
           company.find(L"Microsoft") != std::wstring::npos;
}

} // namespace

bool IsProtectedSystemFile(const std::wstring& path) {
    return IndexKnows(path) || WindowsFileProtectionNames(path) || MadeByMicrosoft(path);
}
