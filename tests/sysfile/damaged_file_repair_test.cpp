#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/run_flags.h"
#include "app/run_log.h"
#include "common/unique_resource.h"
#include "sysfile/damaged_file_scan.h"
#include "sysfile/file_version.h"
#include "sysfile/kill_file_mender.h"
#include "sysfile/mender_fixture.h"
#include "support/prompt_watcher.h"
#include "support/test_files.h"

// Runs in a prefix set to the edition whose index the build generated from a
// pristine prefix, with nginx serving the good copies the generator wrote.
namespace {

class DamagedFileRepair : public MenderFixture {
protected:
    void SetUp() override {
        MenderFixture::SetUp();
        ReadPlantedFilesThemselves({L"ksuser", L"dinput8"});
    }
};

std::wstring ListedDigest(const RepairEntries& list, const std::wstring& target) {
    const auto entry = std::find_if(list.begin(), list.end(),
                                    [&](const RepairEntry& e) { return e.target == target; });
    return entry == list.end() ? std::wstring(L"(not listed)") : entry->digest;
}

enum class Damage { Missing, Truncated, NoVersionResource };

struct DamageCase {
    const wchar_t* name;
    Damage damage;
};

const DamageCase kDamageCases[] = {
    {L"ddraw.dll", Damage::Missing},
    // The DOS header alone: no PE image any more.
    {L"d3d8.dll", Damage::Truncated},
    // A sound PE image without a version resource.
    {L"ksuser.dll", Damage::NoVersionResource},
};

void Apply(Damage damage, const std::wstring& target, const std::string& original) {
    switch (damage) {
    case Damage::Missing:
        ASSERT_TRUE(DeleteFileW(target.c_str()));
        break;
    case Damage::Truncated:
        ASSERT_TRUE(WriteWholeFile(target, original.substr(0, 64)));
        break;
    case Damage::NoVersionResource:
        ASSERT_TRUE(WriteWholeFile(target, ReadWholeFile(L"C:\\tools\\idle_process.exe")));
        break;
    }
}

TEST_F(DamagedFileRepair, DamagedFilesAreListedFetchedVerifiedAndPutBack) {
    struct Expected {
        std::wstring target;
        std::string original;
        std::wstring digest;
        int requestsBefore;
    };
    std::vector<Expected> expected;
    for (const DamageCase& c : kDamageCases) {
        Expected e{SystemFile(c.name), {}, {}, 0};
        e.original = ReadWholeFile(e.target);
        e.digest = IndexedDigestOf(e.target);
        ASSERT_FALSE(e.original.empty()) << c.name;
        ASSERT_EQ(e.digest, DigestOf(e.original)) << "the prefix is the reference: " << c.name;
        e.requestsBefore = RequestsFor(e.digest);
        Apply(c.damage, e.target, e.original);
        expected.push_back(e);
    }

    CKillFileMender mender;
    EXPECT_NE(mender.Scan(), 0);
    EXPECT_EQ(TheRunFlags().restartRequired, 1);
    for (const Expected& e : expected)
        EXPECT_EQ(ListedDigest(mender.PendingRepairs(), e.target), e.digest);

    {
        PromptWatcher prompts; // the input method repair may start a missing program
        EXPECT_EQ(mender.Repair(), 0);
    }

    const std::string& log = TheRunLog().Text();
    for (const Expected& e : expected) {
        const std::string now = ReadWholeFile(e.target);
        EXPECT_EQ(DigestOf(now), e.digest);
        EXPECT_TRUE(now == e.original) << "not byte-identical to the reference";
        EXPECT_EQ(RequestsFor(e.digest, e.requestsBefore + 1), e.requestsBefore + 1);
        EXPECT_NE(log.find(FileRepairedLine(e.target)), std::string::npos) << log;
        EXPECT_FALSE(FileExists(SystemFile(e.digest.c_str()))) << "staged copy left behind";
    }
}

// The cheap tests trust every PE image with a version resource, even one whose
// content the index does not know. They doubt the files Wine ships without a
// version resource, but those are the good copies already: none is listed.
TEST_F(DamagedFileRepair, NeitherSoundImagesNorGoodCopiesAreListed) {
    const std::wstring foreign = SystemFile(L"dinput8.dll");
    const std::string original = ReadWholeFile(foreign);
    const ScopeExit restore([&] { WriteWholeFile(foreign, original); });
    ASSERT_TRUE(WriteWholeFile(foreign, ReadWholeFile(L"C:\\tools\\version_same.dll")));
    ASSERT_NE(DigestOf(ReadWholeFile(foreign)), IndexedDigestOf(foreign));

    const wchar_t* const withoutVersionResource[] = {
        L"npptools.dll", L"rundll32.exe", L"midimap.dll", L"userenv.dll",
        L"usp10.dll",    L"msimg32.dll",  L"sensapi.dll", L"msvcr71.dll",
    };
    for (const wchar_t* name : withoutVersionResource) {
        std::wstring version;
        EXPECT_FALSE(FileVersionString(SystemFile(name), version)) << name << " is not doubted";
        EXPECT_EQ(DigestOf(ReadWholeFile(SystemFile(name))), IndexedDigestOf(SystemFile(name)));
    }

    RepairEntries list;
    FileVersions versions;
    EXPECT_FALSE(ScanDamagedFiles(list, versions));
    for (const RepairEntry& entry : list)
        ADD_FAILURE() << "listed: " << entry.target;
}

} // namespace
