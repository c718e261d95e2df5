#pragma once

#include <cstddef>

// The fixed lists of files the system file repair checks, in check order.
// Names in the system directory:
extern const wchar_t* const SystemFileNames[35];
// Names in the "drivers\" folder of the system directory:
extern const wchar_t* const DriverFileNames[1];
// Names in the Windows directory:
extern const wchar_t* const WindowsFileNames[2];
// Names in the system directory whose version text the version baseline
// fixes per edition:
extern const wchar_t* const VersionBaselineFileNames[29];
