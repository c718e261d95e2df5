#include <gtest/gtest.h>

#include "journal/journal_line.h"

namespace {

TEST(JournalLine, FieldsOfAnyContentSurviveTheRoundTrip) {
    const std::vector<std::wstring> fields = {
        L"",                            // the default value's name
        L"C:\\Windows\\system32\\x",    // plain path
        L"tab\there\r\nand 100%",       // separators and the escape character itself
        L"\u4e2d\u6587 (\u7b80\u4f53)", // Chinese
        L"\xD83D\xDE00",                // a surrogate pair
    };
    const std::string line = FormatLine(fields);
    ASSERT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\r'), std::string::npos);
    const auto lines = ParseLines(line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], fields);
}

// A crash can cut the last line short: it carries no LF and is no record.
TEST(JournalLine, LineCutShortIsPassedOverAndBadEscapeIsRefused) {
    const auto lines = ParseLines("a\tb\nc%2\nd\te");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_TRUE(lines[1].empty());
}

TEST(JournalLine, FileStatesAndHex) {
    FileStateText state;
    state.present = true;
    state.md5 = L"0123456789abcdef0123456789abcdef";
    state.hasAttributes = true;
    state.attributes = 0x21;
    const std::wstring text = FormatFileState(state);
    EXPECT_EQ(text, L"file:0123456789abcdef0123456789abcdef:00000021");
    const auto parsed = ParseFileState(text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->attributes, 0x21u);
    EXPECT_TRUE(ParseFileState(L"absent") && !ParseFileState(L"absent")->present);
    for (const wchar_t* bad : {L"file:0123", L"file:0123456789ABCDEF0123456789abcdef",
                               L"file:0123456789abcdef0123456789abcdef:21", L"gone"})
        EXPECT_FALSE(ParseFileState(bad)) << bad;

    const unsigned char bytes[] = {0x00, 0xff, 0x10};
    EXPECT_EQ(HexOf(bytes, 3), L"00ff10");
    EXPECT_EQ(*BytesOfHex(L"00ff10"), std::vector<unsigned char>(bytes, bytes + 3));
    EXPECT_FALSE(BytesOfHex(L"0"));
    EXPECT_FALSE(BytesOfHex(L"zz"));
}

TEST(JournalLine, InvalidUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(FromUtf8("a\xC0\xAF"
                       "b"),
              L"a\xFFFD\xFFFD"
              L"b");                                            // overlong '/'
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), L"\xFFFD\xFFFD\xFFFD"); // encoded surrogate
    EXPECT_EQ(FromUtf8("\xE4\xB8"), L"\xFFFD\xFFFD");           // cut short
}

} // namespace
