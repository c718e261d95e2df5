// libFuzzer entry: the cleaner's byte logic on arbitrary files, built natively
// under AddressSanitizer and UndefinedBehaviorSanitizer. The input is copied
// into a buffer of exactly its size, so that any read or write past the file
// is caught.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "killers/infection_stub.h"
#include "killers/pe_view.h"

namespace {

// The cleaner loads files of up to 50 MiB; the fuzzer needs no more than this.
constexpr size_t kMaxInput = 1 << 20;

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Translating both ways stays inside the image.
void CheckTranslation(const PeView& pe, uint32_t rva) {
    const uint8_t* pointer = pe.RvaToPointer(rva);
    if (pointer == nullptr)
        return;
    Require(pointer >= pe.Image() && pointer < pe.Image() + pe.ImageSize());
    (void)pe.PointerToRva(pointer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput)
        return 0;
    std::vector<uint8_t> image(data, data + size);
    PeView pe;
    if (!pe.Attach(image.data(), static_cast<uint32_t>(size)))
        return 0;

    CheckTranslation(pe, pe.OptionalHeaderField(PeView::kEntryPointField));
    for (uint32_t i = 0; i < pe.SectionCount() && i < 16; ++i) {
        const PeView::Section section = pe.SectionAt(i);
        CheckTranslation(pe, section.virtualAddress);
        CheckTranslation(pe, section.virtualAddress + section.virtualSize - 1);
        CheckTranslation(pe, section.virtualAddress + section.sizeOfRawData);
    }

    InfectionCleanup cleanup;
    if (!FindInfection(pe, cleanup))
        return 0;
    const uint32_t kept = CleanInfection(pe, cleanup);
    Require(kept <= size && kept >= pe.HeadersEnd());
    // The cleaned file keeps whole headers, and they say what the cleanup meant.
    PeView cleaned;
    Require(cleaned.Attach(image.data(), kept));
    Require(cleaned.OptionalHeaderField(PeView::kEntryPointField) == cleanup.cleanEntryPoint);
    Require(cleaned.OptionalHeaderField(PeView::kSizeOfImageField) == cleanup.cleanSizeOfImage);
    const PeView::Section last = cleaned.SectionAt(cleaned.SectionCount() - 1);
    Require(last.pointerToRawData + last.sizeOfRawData == kept);
    Require(cleaned.RvaToPointer(cleanup.cleanEntryPoint) != nullptr);
    return 0;
}
