#pragma once

#include <windows.h>

#include <string>

// The bytes of the "BIN" resource ID in MODULE (null: this program); empty
// when it is missing.
std::string BinResourceBytes(HMODULE module, WORD id);
