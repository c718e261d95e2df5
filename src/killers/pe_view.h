#pragma once

#include <cstdint>

// The headers and sections of a PE file held in memory, and the translation
// between relative virtual addresses and positions in the file's bytes.
//
// The bytes come from files malware may have crafted, and this code runs
// elevated: every field is read only after the bytes it lies in were checked
// to be inside the buffer. Free of windows.h so that it also builds natively
// for fuzzing.
class PeView {
public:
    struct Section {
        uint32_t virtualSize;
        uint32_t virtualAddress;
        uint32_t sizeOfRawData;
        uint32_t pointerToRawData;
    };

    // Offsets inside the optional header (the same in PE32 and PE32+).
    static constexpr uint32_t kEntryPointField = 16;
    static constexpr uint32_t kSectionAlignmentField = 32;
    static constexpr uint32_t kSizeOfImageField = 56;
    // Every field above lies in the first bytes of the optional header.
    static constexpr uint32_t kOptionalHeaderFieldsUsed = 60;
    static constexpr uint32_t kSectionHeaderSize = 40;

    // Checks the DOS header, the NT headers and the section table of the SIZE
    // bytes at IMAGE. The view then refers to those bytes (it does not own
    // them). On failure the view is empty and nothing maps.
    bool Attach(uint8_t* image, uint32_t size);

    uint8_t* Image() const { return image_; }
    uint32_t ImageSize() const { return imageSize_; }
    uint32_t ImageBase() const { return imageBase_; }
    uint32_t NtHeadersOffset() const { return ntHeaders_; }
    uint32_t OptionalHeaderOffset() const { return ntHeaders_ + 24; }
    uint32_t SizeOfOptionalHeader() const { return sizeOfOptionalHeader_; }
    uint32_t SectionTableOffset() const { return sectionTable_; }
    // The end of the section table: the headers a cleaned file must keep whole.
    uint32_t HeadersEnd() const { return sectionTable_ + sectionCount_ * kSectionHeaderSize; }
    uint32_t SectionCount() const { return sectionCount_; }
    Section SectionAt(uint32_t index) const;
    uint32_t SectionHeaderOffset(uint32_t index) const {
        return sectionTable_ + index * kSectionHeaderSize;
    }
    uint32_t OptionalHeaderField(uint32_t field) const;

    // A pointer to the byte of the file that RVA maps to, or null when it maps
    // to no byte of the file.
    uint8_t* RvaToPointer(uint32_t rva) const;
    // The RVA of the byte at POINTER, or 0 when it lies outside the file or in
    // no section.
    uint32_t PointerToRva(const uint8_t* pointer) const;

private:
    uint8_t* image_ = nullptr;
    uint32_t imageSize_ = 0;
    uint32_t imageBase_ = 0;
    uint32_t ntHeaders_ = 0;
    uint32_t sizeOfOptionalHeader_ = 0;
    uint32_t sectionTable_ = 0;
    uint32_t sectionCount_ = 0;
};

// Little-endian fields at OFFSET; the caller has checked that they lie inside.
uint16_t ReadLe16(const uint8_t* bytes, uint32_t offset);
uint32_t ReadLe32(const uint8_t* bytes, uint32_t offset);
void WriteLe32(uint8_t* bytes, uint32_t offset, uint32_t value);

// Whether LEN bytes from OFFSET lie inside SIZE bytes; never as offset + len,
// which wraps.
inline bool InsideBuffer(uint32_t size, uint32_t offset, uint32_t len) {
    if (offset > size)
        return false;
    return !(len > size - offset);
}
