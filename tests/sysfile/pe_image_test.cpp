#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/system_directories.h"
#include "support/test_files.h"
#include "sysfile/pe_image.h"

namespace {

// A DOS header whose new-header offset (at byte 60) is OFFSET, padded to it,
// followed by TAIL.
std::string DosImage(unsigned offset, const std::string& tail) {
    std::string bytes(offset > 64 ? offset : 64, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i)
        bytes[60 + i] = static_cast<char>(offset >> (8 * i));
    bytes.resize(offset);
    return bytes + tail;
}

TEST(IsPeImage, Cases) {
    const std::string signature = std::string("PE\0\0", 4) + std::string(20, 'h');
    std::string farOffset = DosImage(64, signature);
    farOffset[61] = 0x10; // the header now claims to be at 0x1040
    const struct {
        const char* what;
        std::string bytes;
        bool pe;
    } cases[] = {
        {"a minimal PE header", DosImage(64, signature), true},
        {"MZ without PE", DosImage(64, std::string(24, 'X')), false},
        {"PE without MZ", "ZM" + DosImage(64, signature).substr(2), false},
        {"signature cut short", DosImage(64, signature.substr(0, 23)), false},
        {"offset past the end", farOffset, false},
        {"header cut short", std::string("MZ") + std::string(40, '\0'), false},
    };
    const std::wstring path = L"C:\\pe_case.bin";
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteWholeFile(path, c.bytes));
        EXPECT_EQ(IsPeImage(path), c.pe) << c.what;
    }
    DeleteFileW(path.c_str());
    EXPECT_FALSE(IsPeImage(path)) << "a missing file";
    EXPECT_TRUE(IsPeImage(SystemDirectoryWithSlash() + L"kernel32.dll"));
}

} // namespace
