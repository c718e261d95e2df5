#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/unique_resource.h"
#include "killers/check_infection.h"
#include "killers/pe_parser.h"
#include "killers/sample_files.h"
#include "support/test_files.h"

namespace {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

class CheckInfectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryW(L"C:\\samples", nullptr);
        clean_ = CleanCompanion();
        ASSERT_GT(clean_.size(), 1024u) << "the clean DLL is copied into C:\\tools";
    }
    std::vector<uint8_t> clean_;
};

// Infected samples come back as the clean DLL they were made from; the
// negatives are neither reported nor written.
TEST_F(CheckInfectionTest, SamplesOfEveryKind) {
    const std::vector<uint8_t> expected = ExpectedCleanedSample(clean_);
    ASSERT_FALSE(expected.empty());
    for (const SampleKindInfo& info : kSampleKinds) {
        const std::wstring sample =
            L"C:\\samples\\" + std::wstring(info.name, info.name + strlen(info.name)) + L".dll";
        const std::wstring output = sample + L".cleaned";
        ASSERT_TRUE(WriteSample(sample, info.kind)) << info.name;
        const std::vector<uint8_t> infected = FileBytes(sample);

        EXPECT_EQ(CheckInfection(sample.c_str()), info.infected) << info.name;
        EXPECT_EQ(CheckInfection(sample.c_str(), output.c_str()), info.infected) << info.name;
        EXPECT_EQ(FileBytes(sample), infected) << info.name << ": the sample itself is only read";
        if (info.infected)
            EXPECT_EQ(FileBytes(output), expected) << info.name;
        else
            EXPECT_FALSE(FileExists(output)) << info.name;
    }
    EXPECT_FALSE(CheckInfection(L"C:\\samples\\missing.dll"));
}

TEST_F(CheckInfectionTest, OutputThatCannotBeCreatedIsAFailure) {
    const std::wstring sample = L"C:\\samples\\blocked.dll";
    ASSERT_TRUE(WriteSample(sample, SampleKind::LayoutA));
    ASSERT_TRUE(CreateDirectoryW((sample + L".out").c_str(), nullptr));
    EXPECT_FALSE(CheckInfection(sample.c_str(), (sample + L".out").c_str()));
}

TEST_F(CheckInfectionTest, LoadAcceptsOnlyWholePeHeaders) {
    const uint32_t nt = clean_[60] | clean_[61] << 8;
    auto patched = [&](size_t offset, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> copy = clean_;
        for (size_t i = 0; i < bytes.size(); ++i)
            copy[offset + i] = bytes[i];
        return copy;
    };
    std::vector<uint8_t> headerOnly(clean_.begin(), clean_.begin() + nt + 24 + 60);
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        bool loads;
    } cases[] = {
        {"the clean DLL", clean_, true},
        {"an empty file", {}, false},
        {"only the DOS signature", {'M', 'Z'}, false},
        {"no DOS signature", patched(0, {'Z', 'M'}), false},
        {"NT headers 4096 bytes in", patched(60, {0x00, 0x10, 0, 0}), false},
        {"a negative offset to the NT headers", patched(60, {0xF8, 0xFF, 0xFF, 0xFF}), false},
        {"no PE signature", patched(nt, {'P', 'F'}), false},
        {"no sections", patched(nt + 6, {0, 0}), false},
        {"a section table behind the file's end", patched(nt + 6, {0xFF, 0xFF}), false},
        {"headers cut before the section table", headerOnly, false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteBytes(L"C:\\samples\\load.bin", c.bytes)) << c.what;
        CPEParser parser;
        EXPECT_EQ(parser.Load(L"C:\\samples\\load.bin"), c.loads) << c.what;
        EXPECT_EQ(parser.View().Image() != nullptr, c.loads) << c.what;
    }

    // 50 MiB and more is never read.
    ASSERT_TRUE(WriteBytes(L"C:\\samples\\large.dll", clean_));
    {
        UniqueFile file(CreateFileW(L"C:\\samples\\large.dll", GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER size = {};
        size.QuadPart = 0x3200000;
        ASSERT_TRUE(SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    CPEParser parser;
    EXPECT_FALSE(parser.Load(L"C:\\samples\\large.dll"));
}

TEST_F(CheckInfectionTest, TranslatesBetweenRvasAndTheFile) {
    ASSERT_TRUE(WriteBytes(L"C:\\samples\\translate.dll", clean_));
    CPEParser parser;
    ASSERT_TRUE(parser.Load(L"C:\\samples\\translate.dll"));
    const PeView& pe = parser.View();
    const PeView::Section first = pe.SectionAt(0);
    const PeView::Section last = pe.SectionAt(pe.SectionCount() - 1);
    const uint8_t* image = pe.Image();
    const struct {
        uint32_t rva;
        const uint8_t* pointer;
    } cases[] = {
        {0x3C, image + 0x3C}, // headers map as the file holds them
        {first.virtualAddress, image + first.pointerToRawData},
        {last.virtualAddress + last.sizeOfRawData - 1,
         image + last.pointerToRawData + last.sizeOfRawData - 1},
        {last.virtualAddress + 0x10000, nullptr}, // behind every section
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parser.RvaToPointer(c.rva), c.pointer) << std::hex << c.rva;
        if (c.pointer != nullptr) {
            EXPECT_EQ(parser.PointerToRva(c.pointer), c.rva) << std::hex << c.rva;
        }
    }
    EXPECT_EQ(parser.PointerToRva(image + pe.ImageSize()), 0u);
    EXPECT_EQ(parser.PointerToRva(image - 1), 0u);
}

// A pristine prefix is a Windows nobody here wrote: none of its PE files may
// count as infected.
TEST_F(CheckInfectionTest, NoPeFileOfAPristinePrefixIsInfected) {
    std::vector<std::wstring> folders = {L"C:\\windows"};
    size_t peFiles = 0;
    while (!folders.empty()) {
        const std::wstring folder = folders.back();
        folders.pop_back();
        WIN32_FIND_DATAW entry = {};
        UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
        if (!find)
            continue;
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    folders.push_back(path);
                continue;
            }
            CPEParser parser;
            if (!parser.Load(path.c_str()))
                continue;
            ++peFiles;
            EXPECT_FALSE(CheckInfection(path.c_str())) << Narrow(path);
        } while (FindNextFileW(find.get(), &entry));
    }
    EXPECT_GT(peFiles, 300u);
    std::printf("PE files checked: %zu\n", peFiles);
}

} // namespace
