#include "killers/infected_sample.h"

#include <cstring>

namespace {

uint32_t Get32(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | bytes[offset + i];
    return value;
}

uint16_t Get16(const std::vector<uint8_t>& bytes, size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t RoundUp(uint32_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

// Where the fields the samples change lie in a clean file.
struct Layout {
    size_t optionalHeader;
    size_t lastSectionHeader;
    uint32_t entryPoint;
    uint32_t fileAlignment;
    uint32_t sectionAlignment;
    uint32_t lastVirtualAddress;
    uint32_t lastRawSize;
    uint32_t lastRawOffset;
};

bool ReadLayout(const std::vector<uint8_t>& bytes, Layout& layout) {
    if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z')
        return false;
    const size_t nt = Get32(bytes, 60);
    if (nt > bytes.size() || bytes.size() - nt < 24 + 64 || Get32(bytes, nt) != 0x00004550)
        return false;
    const uint16_t sections = Get16(bytes, nt + 6);
    layout.optionalHeader = nt + 24;
    const size_t table = layout.optionalHeader + Get16(bytes, nt + 20);
    if (sections == 0 || table > bytes.size() || (bytes.size() - table) / 40 < sections)
        return false;
    layout.lastSectionHeader = table + (sections - 1) * 40u;
    layout.entryPoint = Get32(bytes, layout.optionalHeader + 16);
    layout.sectionAlignment = Get32(bytes, layout.optionalHeader + 32);
    layout.fileAlignment = Get32(bytes, layout.optionalHeader + 36);
    layout.lastVirtualAddress = Get32(bytes, layout.lastSectionHeader + 12);
    layout.lastRawSize = Get32(bytes, layout.lastSectionHeader + 16);
    layout.lastRawOffset = Get32(bytes, layout.lastSectionHeader + 20);
    return layout.fileAlignment != 0 && layout.sectionAlignment != 0 &&
           Get32(bytes, layout.lastSectionHeader + 8) <= layout.lastRawSize &&
           static_cast<uint64_t>(layout.lastRawOffset) + layout.lastRawSize == bytes.size();
}

constexpr uint32_t kStubSize = 99;
constexpr uint32_t kBodySize = 0x2A0;

// The stub as the trojan writes it, padded with no-operations where its code
// does not matter here. SECTION_END and ENTRY are RVAs; STUB is the stub's RVA.
std::vector<uint8_t> Stub(bool layoutA, bool markers, uint32_t stub, uint32_t sectionEnd,
                          uint32_t entry) {
    std::vector<uint8_t> code(kStubSize, 0x90);
    const uint8_t reasonCheck[] = {0x8B, 0x44, 0x24, 0x08, 0x3C, 0x01};
    const uint8_t selfCall[] = {0xE8, 0x02, 0x00, 0x00, 0x00, 0xCC, 0xCC};
    std::memcpy(&code[0], reasonCheck, sizeof(reasonCheck));
    std::memcpy(&code[14], selfCall, sizeof(selfCall));
    const uint32_t marker = layoutA ? 82 : 53;
    const uint32_t jump = layoutA ? 94 : 65;
    if (markers) {
        code[marker] = 0x8D;
        code[marker + 1] = 0xB6;
    }
    Put32(code, marker + 2, sectionEnd - (stub + 19));
    code[jump] = 0xE9;
    Put32(code, jump + 1, entry - (stub + jump + 5));
    return code;
}

} // namespace

const SampleKindInfo kSampleKinds[6] = {
    {SampleKind::LayoutA, "layout_a", true},
    {SampleKind::LayoutB, "layout_b", true},
    {SampleKind::NoMarkers, "no_markers", false},
    {SampleKind::SectionEndOutsideFile, "section_end_outside_file", false},
    {SampleKind::EntryOutsideFile, "entry_outside_file", false},
    {SampleKind::SectionEndBelowStart, "section_end_below_start", false},
};

std::vector<uint8_t> MakeInfectedSample(const std::vector<uint8_t>& clean, SampleKind kind) {
    Layout layout;
    if (!ReadLayout(clean, layout))
        return {};
    const uint32_t stub = layout.lastVirtualAddress + layout.lastRawSize;
    const uint32_t appended = RoundUp(kStubSize + kBodySize, layout.fileAlignment);
    const uint32_t newRawSize = layout.lastRawSize + appended;

    uint32_t sectionEnd = stub; // the clean end of the last section
    uint32_t entry = layout.entryPoint;
    if (kind == SampleKind::SectionEndOutsideFile)
        sectionEnd = layout.lastVirtualAddress + newRawSize + layout.fileAlignment;
    if (kind == SampleKind::SectionEndBelowStart)
        sectionEnd = layout.lastVirtualAddress - 0x10;
    if (kind == SampleKind::EntryOutsideFile)
        entry = layout.lastVirtualAddress + newRawSize + 0x10000;

    std::vector<uint8_t> sample = clean;
    const std::vector<uint8_t> code =
        Stub(kind != SampleKind::LayoutB, kind != SampleKind::NoMarkers, stub, sectionEnd, entry);
    sample.insert(sample.end(), code.begin(), code.end());
    static const char kBody[] = "appended trojan body ";
    for (uint32_t i = kStubSize; i < appended; ++i)
        sample.push_back(static_cast<uint8_t>(kBody[i % (sizeof(kBody) - 1)]));

    Put32(sample, layout.lastSectionHeader + 8, newRawSize);
    Put32(sample, layout.lastSectionHeader + 16, newRawSize);
    Put32(sample, layout.optionalHeader + 16, stub);
    Put32(sample, layout.optionalHeader + 56,
          RoundUp(layout.lastVirtualAddress + newRawSize, layout.sectionAlignment));
    return sample;
}

std::vector<uint8_t> ExpectedCleanedSample(const std::vector<uint8_t>& clean) {
    Layout layout;
    if (!ReadLayout(clean, layout))
        return {};
    std::vector<uint8_t> expected = clean;
    Put32(expected, layout.lastSectionHeader + 8, layout.lastRawSize);
    return expected;
}
