#pragma once

#include <string>

// The 14-character name of the running Windows edition, "MMmm.SS00.LLLL":
// major and minor version, service pack major (its minor never counts), and
// the system's UI language below Windows Vista (0 from Vista on, where one
// index serves every language). Empty when the version cannot be read.
std::wstring EditionKey();
