#pragma once

// The catalog repair's name for the running Windows: 5 for 2000, 6 for XP, 7
// for Server 2003, 8 for 7, 9 for Vista (7 has the lower code); 1 to 4 for the
// Windows 95 family and NT 4, 0 for anything else. False when the version
// cannot be read.
bool GetWindowsVersionCode(int& code);
