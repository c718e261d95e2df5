#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "killers/infected_sample.h"

// The clean 32-bit DLL the build makes, copied into the prefix by the test
// wrapper; empty when it is missing.
std::vector<uint8_t> CleanCompanion();

std::vector<uint8_t> FileBytes(const std::wstring& path);
// Writes BYTES as the file at PATH (replacing it, never rewriting in place).
bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
bool WriteSample(const std::wstring& path, SampleKind kind);
