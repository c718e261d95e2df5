#include "killers/infection_stub.h"

#include <cstring>

namespace {

// The stub starts by checking the reason of the call, and calls over two
// breakpoint bytes to learn its own address: that of offset 19.
constexpr uint8_t kReasonCheck[] = {0x8B, 0x44, 0x24, 0x08, 0x3C, 0x01};
constexpr uint32_t kSelfCallOffset = 14;
constexpr uint8_t kSelfCall[] = {0xE8, 0x02, 0x00, 0x00, 0x00, 0xCC, 0xCC};
constexpr uint32_t kStubBase = 19;

constexpr uint8_t kMarker[] = {0x8D, 0xB6};
constexpr uint8_t kJumpOpcode = 0xE9;

// Where the two known builds of the stub keep the end of the last section
// (relative to its base) and the jump on to the DLL's own entry point.
struct StubLayout {
    uint32_t marker;
    uint32_t sectionEnd;
    uint32_t jump;
    uint32_t jumpEnd;
};
constexpr StubLayout kLayouts[] = {
    {82, 84, 94, 99},
    {53, 55, 65, 70},
};

constexpr uint32_t kOptionalHeaderSizeUsed = PeView::kOptionalHeaderFieldsUsed;

bool BytesAt(const uint8_t* stub, uint32_t offset, const uint8_t* expected, size_t count) {
    return std::memcmp(stub + offset, expected, count) == 0;
}

const StubLayout* MatchStub(const uint8_t* stub) {
    if (!BytesAt(stub, 0, kReasonCheck, sizeof(kReasonCheck)) ||
        !BytesAt(stub, kSelfCallOffset, kSelfCall, sizeof(kSelfCall)))
        return nullptr;
    for (const StubLayout& layout : kLayouts) {
        if (BytesAt(stub, layout.marker, kMarker, sizeof(kMarker)) &&
            stub[layout.jump] == kJumpOpcode)
            return &layout;
    }
    return nullptr;
}

} // namespace

bool FindInfection(const PeView& pe, InfectionCleanup& cleanup) {
    if (pe.SectionCount() == 0 || pe.SizeOfOptionalHeader() < kOptionalHeaderSizeUsed)
        return false;
    const uint8_t* image = pe.Image();
    const uint8_t* stub = pe.RvaToPointer(pe.OptionalHeaderField(PeView::kEntryPointField));
    if (stub == nullptr)
        return false;
    const uint32_t stubOffset = static_cast<uint32_t>(stub - image);
    // Wiping the stub must neither leave the file nor touch the headers.
    if (stubOffset < pe.HeadersEnd() ||
        !InsideBuffer(pe.ImageSize(), stubOffset, kInfectionStubSize))
        return false;
    const StubLayout* layout = MatchStub(stub);
    if (layout == nullptr)
        return false;

    // Unsigned arithmetic wraps as the stub's own 32-bit additions do.
    const uint32_t base = pe.PointerToRva(stub + kStubBase);
    const uint32_t jumpEnd = pe.PointerToRva(stub + layout->jumpEnd);
    if (base == 0 || jumpEnd == 0)
        return false;
    const uint32_t sectionEnd = base + ReadLe32(stub, layout->sectionEnd);
    const uint32_t entryPoint = jumpEnd + ReadLe32(stub, layout->jump + 1);
    if (sectionEnd == 0 || entryPoint == 0)
        return false;

    const PeView::Section last = pe.SectionAt(pe.SectionCount() - 1);
    if (sectionEnd <= last.virtualAddress || last.pointerToRawData < pe.HeadersEnd())
        return false;
    const uint32_t sectionSize = sectionEnd - last.virtualAddress;
    if (!InsideBuffer(pe.ImageSize(), last.pointerToRawData, sectionSize))
        return false;
    const uint32_t fileSize = last.pointerToRawData + sectionSize;
    // Cutting the file there must not cut into the data of another section.
    for (uint32_t i = 0; i + 1 < pe.SectionCount(); ++i) {
        const PeView::Section other = pe.SectionAt(i);
        if (other.sizeOfRawData != 0 && (other.pointerToRawData > fileSize ||
                                         other.sizeOfRawData > fileSize - other.pointerToRawData))
            return false;
    }

    const uint32_t alignment = pe.OptionalHeaderField(PeView::kSectionAlignmentField);
    if (alignment == 0)
        return false;
    const uint64_t end = static_cast<uint64_t>(sectionEnd);
    const uint64_t sizeOfImage = (end + alignment - 1) / alignment * alignment;
    if (sizeOfImage > UINT32_MAX)
        return false;

    // The restored entry point must lie in what remains of the file.
    const uint8_t* entry = pe.RvaToPointer(entryPoint);
    if (entry == nullptr || static_cast<uint32_t>(entry - image) >= fileSize)
        return false;

    cleanup = InfectionCleanup{stubOffset, entryPoint, sectionSize,
                               static_cast<uint32_t>(sizeOfImage), fileSize};
    return true;
}

uint32_t CleanInfection(const PeView& pe, const InfectionCleanup& cleanup) {
    uint8_t* image = pe.Image();
    const uint32_t lastHeader = pe.SectionHeaderOffset(pe.SectionCount() - 1);
    WriteLe32(image, lastHeader + 8, cleanup.cleanSectionSize);  // VirtualSize
    WriteLe32(image, lastHeader + 16, cleanup.cleanSectionSize); // SizeOfRawData
    std::memset(image + cleanup.stubOffset, 0, kInfectionStubSize);
    const uint32_t optionalHeader = pe.OptionalHeaderOffset();
    WriteLe32(image, optionalHeader + PeView::kEntryPointField, cleanup.cleanEntryPoint);
    WriteLe32(image, optionalHeader + PeView::kSizeOfImageField, cleanup.cleanSizeOfImage);
    return cleanup.cleanFileSize;
}
