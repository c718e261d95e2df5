#pragma once

#include <cstdint>

#include "killers/pe_view.h"

// The stub the DLL-infecting trojan puts at a DLL's entry point, and the
// cleaning that undoes it. Free of windows.h so that it also builds natively
// for fuzzing.

// What cleaning an infected image changes, all checked against the file.
struct InfectionCleanup {
    uint32_t stubOffset;       // position of the stub in the file
    uint32_t cleanEntryPoint;  // RVA the stub jumps on to: the DLL's own entry point
    uint32_t cleanSectionSize; // VirtualSize and SizeOfRawData of the last section
    uint32_t cleanSizeOfImage; // the last section's end rounded up to the section alignment
    uint32_t cleanFileSize;    // the file ends where the cleaned last section ends
};

// The stub's length: the bytes wiped at the entry point.
constexpr uint32_t kInfectionStubSize = 99;

// Whether the image carries the stub at its entry point, in either layout.
// Only an image that can be cleaned inside its own bytes counts: one whose
// cleaned values would fall outside the file, cut into the headers or shrink
// the last section below its start is not infected.
bool FindInfection(const PeView& pe, InfectionCleanup& cleanup);

// Cleans the image in place: the stub is wiped, the entry point restored and
// the last section and SizeOfImage shortened. Returns how many leading bytes
// of the image form the cleaned file.
uint32_t CleanInfection(const PeView& pe, const InfectionCleanup& cleanup);
