#pragma once

#include <string>
#include <unordered_set>

// Full paths of DLLs planted beside programs the user runs, each once: lower
// case, with the "\\?\" prefix, as the search-path check found them.
using InjectSuspectSet = std::unordered_set<std::wstring>;
