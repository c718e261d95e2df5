#include "sysfile/mender_fixture.h"

#include <windows.h>

#include "app/run_flags.h"
#include "app/run_log.h"
#include "common/md5.h"
#include "common/narrow_text.h"
#include "common/registry.h"
#include "common/system_directories.h"
#include "common/unique_resource.h"
#include "sysfile/digest_text.h"
#include "sysfile/edition_index.h"
#include "sysfile/path_key.h"
#include "support/server_log.h"
#include "support/test_files.h"

const char kFileRepairedLabel[] = "\xd0\xde\xb8\xb4\xce\xc4\xbc\xfe\t";
const char kMissingInputMethodLabel[] = "\xc8\xb1\xca\xa7\xb5\xc4\xca\xe4"
                                        "\xc8\xeb\xb7\xa8\xb3\xcc\xd0\xf2\t";
const char kDesktopIconsRepairedLabel[] = "\xd0\xde\xb8\xb4\xa1\xb0\xd7\xc0\xc3\xe6"
                                          "\xcd\xbc\xb1\xea\xb2\xbb\xbc\xfb\xc1\xcb\xa1\xb1\t";

void MenderFixture::SetUp() {
    TheRunLog().Assign(nullptr);
    TheRunFlags().restartRequired = 0;
}

namespace {
const wchar_t kDllOverrides[] = L"Software\\Wine\\DllOverrides";
}

void MenderFixture::ReadPlantedFilesThemselves(std::initializer_list<const wchar_t*> dllNames) {
    UniqueKey overrides;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kDllOverrides, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, overrides.put(), nullptr),
              ERROR_SUCCESS);
    for (const wchar_t* name : dllNames) {
        ASSERT_EQ(WriteString(overrides.get(), name, L"native"), ERROR_SUCCESS);
        nativeOverrides_.push_back(name);
    }
}

void MenderFixture::TearDown() {
    UniqueKey overrides;
    if (OpenKey(HKEY_CURRENT_USER, kDllOverrides, KEY_ALL_ACCESS, overrides) == ERROR_SUCCESS)
        for (const std::wstring& name : nativeOverrides_)
            RegDeleteValueW(overrides.get(), name.c_str());
    nativeOverrides_.clear();
    TheRunLog().Assign(nullptr);
    TheRunFlags().restartRequired = 0;
}

std::wstring SystemFile(const wchar_t* name) {
    return SystemDirectoryWithSlash() + name;
}

std::wstring IndexedDigestOf(const std::wstring& target) {
    FileIndex index;
    PathKey key = {};
    if (!LoadRunningEditionIndex(index) ||
        !ComputePathKey(target, WindowsDirectoryWithSlash(), key))
        return {};
    const FindResult found = index.Find(key);
    return found.outcome == FindOutcome::Hit ? DigestText(found.record.goodDigest) : std::wstring();
}

std::wstring DigestOf(const std::string& bytes) {
    Digest digest = {};
    return Md5Of(bytes.data(), bytes.size(), digest) ? DigestText(digest) : std::wstring();
}

void ServeAsTestFile(const std::wstring& name, const std::string& bytes) {
    MakeFolder(L"C:\\nginx\\test-files");
    ASSERT_TRUE(WriteWholeFile(L"C:\\nginx\\test-files\\" + name, bytes));
}

std::wstring ServeTestFile(const std::string& bytes) {
    const std::wstring digest = DigestOf(bytes);
    ServeAsTestFile(digest, bytes);
    return digest;
}

int RequestsFor(const std::wstring& digest, int atLeast) {
    return ServerLogCount("/" + ToNarrow(digest) + " HTTP/", atLeast);
}

std::string FileRepairedLine(const std::wstring& path) {
    return kFileRepairedLabel + ToNarrow(path) + "\r\n";
}

void MakeFolder(const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(FileExists(folder)) << "cannot create a test folder";
}
