#include "sysfile/muicache_fixture.h"

#include "common/proc_address.h"
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

// The native calls take the name as a counted string, which may hold NULs.
struct CountedString {
    USHORT length;
    USHORT maximumLength;
    const wchar_t* buffer;
};
using SetValueKeyFn = LONG(NTAPI*)(HANDLE, CountedString*, ULONG, ULONG, const void*, ULONG);
using DeleteValueKeyFn = LONG(NTAPI*)(HANDLE, CountedString*);

CountedString Counted(const std::wstring& name) {
    const USHORT bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    return {bytes, bytes, name.data()};
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
    const auto deleteValueKey =
        ProcAddress<DeleteValueKeyFn>(GetModuleHandleW(L"ntdll.dll"), "NtDeleteValueKey");
    for (const std::wstring& name : rawNames_) {
        UniqueKey key = CreateMuiCacheKey(WindowsMajorVersion());
        CountedString counted = Counted(name);
        if (key && deleteValueKey)
            deleteValueKey(key.get(), &counted);
    }
    for (const std::wstring& folder : folders_)
        RemoveTestFolder(folder);
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

void MuiCacheFixture::RecordRawName(const std::wstring& name) {
    const auto setValueKey =
        ProcAddress<SetValueKeyFn>(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey");
    ASSERT_TRUE(setValueKey);
    UniqueKey key = CreateMuiCacheKey(WindowsMajorVersion());
    ASSERT_TRUE(key);
    const std::wstring text = L"Test program";
    CountedString counted = Counted(name);
    ASSERT_GE(setValueKey(key.get(), &counted, 0, REG_SZ, text.c_str(),
                          static_cast<ULONG>((text.size() + 1) * sizeof(wchar_t))),
              0);
    rawNames_.push_back(name);
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
