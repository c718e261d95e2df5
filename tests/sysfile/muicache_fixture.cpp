#include "sysfile/muicache_fixture.h"

#include <shellapi.h>

#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "common/windows_version.h"
#include "sysfile/requested_windows_version.h"
#include "sysfile/search_path_suspects.h"
#include "support/test_files.h"

namespace {

// Spelled out here rather than taken from the code under test.
UniqueKey CreateMuiCacheKey(DWORD majorVersion) {
    UniqueKey key;
    if (majorVersion >= 6)
        RegCreateKeyW(HKEY_CLASSES_ROOT,
                      L"Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache", key.put());
    else
        RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache",
                      key.put());
    return key;
}

void RemoveFolderTree(const std::wstring& folder) {
    std::wstring from = folder;
    from.push_back(L'\0'); // double terminated list of one
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&operation);
}

} // namespace

std::wstring StoredForm(const std::wstring& path) {
    std::wstring lower = L"\\\\?\\" + path;
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(towlower(c));
    return lower;
}

void MuiCacheFixture::SetUp() {
    ExpectRequestedWindowsVersion();
}

void MuiCacheFixture::TearDown() {
    for (const auto& [version, program] : recorded_) {
        UniqueKey key = CreateMuiCacheKey(version);
        RegDeleteValueW(key.get(), program.c_str());
    }
    for (const std::wstring& folder : folders_)
        RemoveFolderTree(folder);
}

void MuiCacheFixture::RecordProgram(const std::wstring& program) {
    RecordProgramFor(WindowsMajorVersion(), program);
}

void MuiCacheFixture::RecordProgramFor(DWORD majorVersion, const std::wstring& program) {
    // Newer systems append the kind of text to the program's path.
    const std::wstring name = majorVersion >= 6 ? program + L".FriendlyAppName" : program;
    UniqueKey key = CreateMuiCacheKey(majorVersion);
    ASSERT_TRUE(key);
    const std::wstring text = L"Test program";
    ASSERT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    recorded_.emplace_back(majorVersion, name);
}

void MuiCacheFixture::MakeFolder(const std::wstring& folder) {
    for (size_t slash = folder.find(L'\\', 3); slash != std::wstring::npos;
         slash = folder.find(L'\\', slash + 1))
        CreateDirectoryW(folder.substr(0, slash).c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(FileExists(folder));
    folders_.push_back(folder);
}

void MuiCacheFixture::PlantText(const std::wstring& path) {
    ASSERT_TRUE(WriteWholeFile(path, "planted library, not a PE image"));
}

void MuiCacheFixture::PlantGenuineCopy(const wchar_t* systemFile, const std::wstring& path,
                                       LONGLONG ageSeconds) {
    ASSERT_TRUE(CopyFileW((SystemDirectoryWithSlash() + systemFile).c_str(), path.c_str(), FALSE));
    UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER when = {};
    when.LowPart = now.dwLowDateTime;
    when.HighPart = now.dwHighDateTime;
    when.QuadPart -= static_cast<ULONGLONG>(ageSeconds) * 10000000ull;
    FILETIME dated = {when.LowPart, when.HighPart};
    ASSERT_TRUE(SetFileTime(file.get(), &dated, &dated, &dated));
}

InjectSuspectSet MuiCacheFixture::Scan(bool* answer) {
    InjectSuspectSet suspects;
    const bool found = FindSearchPathSuspects(suspects);
    if (answer != nullptr)
        *answer = found;
    return suspects;
}
