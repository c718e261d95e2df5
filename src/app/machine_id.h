#pragma once

#include <string>

// The machine identifier: 16 bytes kept as the REG_BINARY default value of
// HKLM "software\tolva", created once as a fresh GUID. Returns it as 32
// upper-case hexadecimal digits in byte order, or empty when it can be neither
// read nor stored.
std::wstring LoadOrCreateMachineId();

// The hexadecimal form used above: buffer order, high nibble first.
std::wstring HexUpper(const unsigned char* bytes, size_t count);
