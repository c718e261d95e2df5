#include "killers/pe_view.h"

namespace {

constexpr uint16_t kDosSignature = 0x5A4D;    // "MZ"
constexpr uint32_t kNtSignature = 0x00004550; // "PE\0\0"
constexpr uint32_t kNewHeaderField = 0x3C;    // e_lfanew
constexpr uint32_t kNewHeaderLimit = 4096;    // farther away counts as no PE file
constexpr uint32_t kFileHeaderEnd = 24;       // signature and file header
constexpr uint32_t kImageBaseField = 0x34;    // from the NT headers (PE32)

} // namespace

uint16_t ReadLe16(const uint8_t* bytes, uint32_t offset) {
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

uint32_t ReadLe32(const uint8_t* bytes, uint32_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

void WriteLe32(uint8_t* bytes, uint32_t offset, uint32_t value) {
    for (uint32_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool PeView::Attach(uint8_t* image, uint32_t size) {
    *this = PeView();
    if (image == nullptr || !InsideBuffer(size, 0, kNewHeaderField + 4) ||
        ReadLe16(image, 0) != kDosSignature)
        return false;
    // Signed in the header: a negative offset is as wrong as a far one.
    const uint32_t ntHeaders = ReadLe32(image, kNewHeaderField);
    if (ntHeaders >= kNewHeaderLimit)
        return false;
    const uint32_t optionalHeader = ntHeaders + kFileHeaderEnd;
    if (!InsideBuffer(size, ntHeaders, kFileHeaderEnd + kOptionalHeaderFieldsUsed) ||
        ReadLe32(image, ntHeaders) != kNtSignature)
        return false;
    const uint32_t sectionCount = ReadLe16(image, ntHeaders + 6);
    const uint32_t sizeOfOptionalHeader = ReadLe16(image, ntHeaders + 20);
    const uint32_t sectionTable = optionalHeader + sizeOfOptionalHeader;
    if (sectionCount == 0 || !InsideBuffer(size, sectionTable, sectionCount * kSectionHeaderSize))
        return false;

    image_ = image;
    imageSize_ = size;
    ntHeaders_ = ntHeaders;
    sizeOfOptionalHeader_ = sizeOfOptionalHeader;
    sectionTable_ = sectionTable;
    sectionCount_ = sectionCount;
    imageBase_ = ReadLe32(image, ntHeaders + kImageBaseField);
    return true;
}

PeView::Section PeView::SectionAt(uint32_t index) const {
    const uint32_t header = SectionHeaderOffset(index);
    return Section{ReadLe32(image_, header + 8), ReadLe32(image_, header + 12),
                   ReadLe32(image_, header + 16), ReadLe32(image_, header + 20)};
}

uint32_t PeView::OptionalHeaderField(uint32_t field) const {
    return ReadLe32(image_, OptionalHeaderOffset() + field);
}

uint8_t* PeView::RvaToPointer(uint32_t rva) const {
    if (sectionCount_ == 0)
        return nullptr;
    // Below the first section lie the headers, mapped as the file holds them.
    if (rva < SectionAt(0).virtualAddress)
        return rva < imageSize_ ? image_ + rva : nullptr;
    for (uint32_t i = 0; i < sectionCount_; ++i) {
        const Section section = SectionAt(i);
        const uint32_t size = section.virtualSize > section.sizeOfRawData ? section.virtualSize
                                                                          : section.sizeOfRawData;
        if (rva < section.virtualAddress || rva - section.virtualAddress >= size)
            continue;
        const uint64_t offset =
            static_cast<uint64_t>(section.pointerToRawData) + (rva - section.virtualAddress);
        return offset < imageSize_ ? image_ + offset : nullptr;
    }
    return nullptr;
}

uint32_t PeView::PointerToRva(const uint8_t* pointer) const {
    // Compared as addresses: the pointer may belong to no part of the image.
    const uintptr_t address = reinterpret_cast<uintptr_t>(pointer);
    const uintptr_t start = reinterpret_cast<uintptr_t>(image_);
    if (sectionCount_ == 0 || address < start || address - start >= imageSize_)
        return 0;
    const uint32_t offset = static_cast<uint32_t>(address - start);
    if (offset < SectionAt(0).pointerToRawData)
        return offset;
    for (uint32_t i = 0; i < sectionCount_; ++i) {
        const Section section = SectionAt(i);
        if (offset < section.pointerToRawData ||
            offset - section.pointerToRawData >= section.sizeOfRawData)
            continue;
        return section.virtualAddress + (offset - section.pointerToRawData);
    }
    return 0;
}
