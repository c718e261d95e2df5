#pragma once

#include <cstdint>

#include "killers/pe_view.h"

// A PE file read whole into a private read-write memory block, with the
// translation between RVAs and positions in it. The byte logic lives in
// PeView; this adds the file and the memory.
class CPEParser {
public:
    CPEParser() = default;
    virtual ~CPEParser();
    CPEParser(const CPEParser&) = delete;
    CPEParser& operator=(const CPEParser&) = delete;

    // Reads the file at PATH (below 50 MiB) and checks its headers. False, with
    // nothing loaded, when it cannot be read or is no PE file.
    bool Load(const wchar_t* path);

    uint8_t* RvaToPointer(uint32_t rva) const { return view_.RvaToPointer(rva); }
    uint32_t PointerToRva(const uint8_t* pointer) const { return view_.PointerToRva(pointer); }
    // The loaded image; empty (no sections) when nothing is loaded.
    const PeView& View() const { return view_; }

private:
    void Release();

    uint8_t* image_ = nullptr;
    PeView view_;
};
