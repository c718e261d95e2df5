#include "journal/journal_fixture.h"

#include <aclapi.h>
#include <sddl.h>

#include "journal/journal_manifest.h"
#include "journal/journal_line.h"
#include "journal/registry_state.h"
#include "sysfile/registry_fixture.h"

void JournalFixture::SetUp() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    BeginJournal(JournalMode::Repair, now);
    CreateDirectoryW(L"C:\\journal-test", nullptr);
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = L"C:\\journal-test\\" + std::wstring(name.begin(), name.end()) + L"\\";
    CreateDirectoryW(folder_.c_str(), nullptr);
    DeleteRegistryTree(HKEY_CURRENT_USER, kScratchKey);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kScratchKey);
    ASSERT_TRUE(SetDwordValue(HKEY_CURRENT_USER, kScratchKey, L"seed", 1));
    ASSERT_TRUE(SetDwordValue(HKEY_LOCAL_MACHINE, kScratchKey, L"seed", 1));
}

void JournalFixture::TearDown() {
    DeleteRegistryTree(HKEY_CURRENT_USER, kScratchKey);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kScratchKey);
}

RegistryKeyPath JournalFixture::UserKey(const std::wstring& below) const {
    return {HKEY_CURRENT_USER,
            below.empty() ? kScratchKey : std::wstring(kScratchKey) + L"\\" + below, 0};
}

RegistryKeyPath JournalFixture::MachineKey(const std::wstring& below) const {
    return {HKEY_LOCAL_MACHINE,
            below.empty() ? kScratchKey : std::wstring(kScratchKey) + L"\\" + below, 0};
}

std::vector<UndoOutcome> JournalFixture::UndoJournalIn(const std::wstring& folder) {
    std::vector<UndoOutcome> outcomes;
    const auto manifest = ReadManifest(folder);
    if (!manifest) {
        ADD_FAILURE() << "the journal's manifest cannot be read";
        return outcomes;
    }
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    BeginJournal(JournalMode::Undo, now);
    for (auto it = manifest->changes.rbegin(); it != manifest->changes.rend(); ++it)
        outcomes.push_back(UndoChange(*it, folder));
    return outcomes;
}

std::wstring KeySnapshot(const RegistryKeyPath& key) {
    const std::optional<std::string> tree = ExportKeyTree(key);
    if (!tree)
        return L"<unreadable>";
    return FromUtf8(*tree);
}

bool GrantEveryoneWrite(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    std::wstring name = path;
    const DWORD error =
        SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, dacl, nullptr);
    LocalFree(descriptor);
    return error == ERROR_SUCCESS;
}
