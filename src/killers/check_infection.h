#pragma once

// Whether the DLL at PATH carries the trojan's stub at its entry point (and can
// be cleaned inside its own bytes). With OUTPUT_PATH, also writes the cleaned
// copy there: the stub wiped, the DLL's own entry point restored, the appended
// body cut off; then true only when that file was written in full.
bool CheckInfection(const wchar_t* path, const wchar_t* outputPath = nullptr);
