#include <gtest/gtest.h>

#include <string>

#include "common/md5.h"
#include "sysfile/digest_text.h"

namespace {

std::wstring Md5Text(const std::string& text) {
    Digest digest = {};
    if (!Md5Of(text.data(), text.size(), digest))
        return L"(failed)";
    return DigestText(digest);
}

// The test suite of RFC 1321, appendix A.5.
TEST(Md5, Rfc1321Suite) {
    const struct {
        const char* input;
        const wchar_t* digest;
    } cases[] = {
        {"", L"d41d8cd98f00b204e9800998ecf8427e"},
        {"a", L"0cc175b9c0f1b6a831c399e269772661"},
        {"abc", L"900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", L"f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", L"c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         L"d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         "0",
         L"57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Md5Text(c.input), c.digest) << c.input;
}

// Lengths around where the padding and the bit count stop fitting into the
// last block (digests from md5sum).
TEST(Md5, PaddingAtBlockEdges) {
    const struct {
        size_t length;
        const wchar_t* digest;
    } cases[] = {
        {55, L"ef1772b6dff9a122358552954ad0df65"}, // padding and length fill one block
        {56, L"3b0c8ac703f828b04c6c197006d17218"}, // the length needs a second block
        {64, L"014842d480b571495a4a0363793f7367"}, // a whole block, then padding only
    };
    for (const auto& c : cases)
        EXPECT_EQ(Md5Text(std::string(c.length, 'a')), c.digest) << c.length;
}

TEST(Md5, PiecesGiveTheDigestOfTheWhole) {
    std::string input;
    for (int i = 0; i < 1000; ++i)
        input += static_cast<char>(i * 7);
    // Uneven pieces that straddle the 64-byte blocks.
    Md5 md5;
    for (size_t at = 0, piece = 1; at < input.size(); at += piece, piece = piece * 3 % 97 + 1)
        md5.Update(input.data() + at, std::min(piece, input.size() - at));
    Digest pieces = {};
    ASSERT_TRUE(md5.Final(pieces));
    EXPECT_EQ(DigestText(pieces), Md5Text(input));
    // The value has been read: a second Final must not pretend to be a digest.
    EXPECT_FALSE(md5.Final(pieces));
}

TEST(DigestText, TwoLowerCaseDigitsPerByteInByteOrder) {
    Digest digest = {0x00, 0x01, 0x0a, 0x10, 0x7f, 0x80, 0xab, 0xcd,
                     0xef, 0xf0, 0xff, 0x12, 0x34, 0x56, 0x78, 0x9a};
    EXPECT_EQ(DigestText(digest), L"00010a107f80abcdeff0ff123456789a");
}

} // namespace
