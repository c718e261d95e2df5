#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Makes samples of the DLL-infecting trojan from a clean DLL: the stub is
// appended to the last section with a body behind it and becomes the entry
// point, the way the trojan infects. Works on bytes only (no windows.h), so
// that the Wine tests and the native seed maker share it. It reads the PE
// headers on its own rather than through the cleaner's parser, so that a
// fault there cannot hide itself in the samples.
enum class SampleKind {
    LayoutA,               // the stub with its displacements at offsets 84 and 95
    LayoutB,               // the stub with its displacements at offsets 55 and 66
    NoMarkers,             // both signatures, but no 8D B6 marker at either place
    SectionEndOutsideFile, // the recorded section end lies behind the file's end
    EntryOutsideFile,      // the jump leads behind the file's end
    SectionEndBelowStart,  // the recorded section end lies before the last section
};

struct SampleKindInfo {
    SampleKind kind;
    const char* name;
    bool infected; // whether the cleaner must recognise and clean it
};
extern const SampleKindInfo kSampleKinds[6];

// The sample, or an empty vector when CLEAN is not a PE file whose last section
// ends at the file's end.
std::vector<uint8_t> MakeInfectedSample(const std::vector<uint8_t>& clean, SampleKind kind);

// What cleaning SAMPLE must give: CLEAN, with the last section's VirtualSize
// equal to its SizeOfRawData (the stub records only where the section ended).
std::vector<uint8_t> ExpectedCleanedSample(const std::vector<uint8_t>& clean);
