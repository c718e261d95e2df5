#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/readable_state.h"
#include "support/test_files.h"

namespace {

// The state texts as the journal writes them, and what last-run.json adds.
TEST(ReadableState, ValuesAsTextAndNumber) {
    struct Case {
        const wchar_t* state;
        const char* readable; // JSON, or "null"
    } cases[] = {
        // "E0010804" as REG_SZ with its terminating zero.
        {L"value:1:4500300030003100300038003000340000000000",
         R"({"text":"E0010804","type":"REG_SZ"})"},
        // "%SystemRoot%" as REG_EXPAND_SZ, no terminator.
        {L"value:2:2500530079007300740065006d0052006f006f0074002500",
         R"({"text":"%SystemRoot%","type":"REG_EXPAND_SZ"})"},
        // "a", "bc" and the closing empty string.
        {L"value:7:6100000062006300000000000000", R"({"texts":["a","bc"],"type":"REG_MULTI_SZ"})"},
        {L"value:4:04000000", R"({"number":4,"type":"REG_DWORD"})"},
        {L"value:4:0000a0e0", R"({"number":3768582144,"type":"REG_DWORD"})"},
        {L"value:4:0400", "null"}, // a DWORD of two bytes says nothing more
        {L"value:3:00ff", "null"}, // binary stays hex
        {L"value:1:450", "null"},  // odd hex: not a state
        {L"value:1:4500300000", R"({"text":"E0","type":"REG_SZ"})"}, // odd: last byte dropped
        {L"absent", "null"},
        {L"present", "null"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadableState(c.state, L"", {}).dump(), c.readable) << c.state;
}

// A file's size (and version, when it has one) from the journal's copy, or
// from a candidate whose content has the state's digest; never from a file
// of other content.
TEST(ReadableState, FileSizeFromTheCopyOrAMatchingFile) {
    const std::wstring folder = L"C:\\readable-state-test";
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\copies").c_str(), nullptr);
    // MD5 of "abc" and of "abcd".
    const std::wstring abc = L"900150983cd24fb0d6963f7d28e17f72";
    const std::wstring abcd = L"e2fc714c4727ee9395f324cd2e7f331f";
    ASSERT_TRUE(WriteWholeFile(folder + L"\\copies\\" + abc, "abc"));
    ASSERT_TRUE(WriteWholeFile(folder + L"\\now.dll", "abcd"));

    const std::wstring copies = folder + L"\\copies";
    EXPECT_EQ(ReadableState(L"file:" + abc + L":00000020", copies, {}).dump(), R"({"size":3})");
    EXPECT_EQ(ReadableState(L"file:" + abcd, copies, {L"", folder + L"\\now.dll"}).dump(),
              R"({"size":4})");
    EXPECT_TRUE(ReadableState(L"file:" + abcd, copies, {}).is_null());
    EXPECT_TRUE(ReadableState(L"file:" + abc, L"", {folder + L"\\now.dll"}).is_null());

    // A real PE with a version resource: its version as well.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring kernel = std::wstring(system) + L"\\kernel32.dll";
    const std::string bytes = ReadWholeFile(kernel);
    const std::wstring copy = folder + L"\\copies\\0123456789abcdef0123456789abcdef";
    ASSERT_TRUE(WriteWholeFile(copy, bytes));
    const nlohmann::json readable =
        ReadableState(L"file:0123456789abcdef0123456789abcdef", copies, {});
    EXPECT_EQ(readable.value("size", 0ull), bytes.size());
    EXPECT_FALSE(readable.value("version", std::string()).empty()) << readable.dump();
    RemoveTestFolder(folder);
}

} // namespace
