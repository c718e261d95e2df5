#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// A state text of the journal ("value:1:4500...", "file:<md5>:...") as a
// person or a log pipeline reads it, for last-run.json: a string value
// (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) as its text, a DWORD as its number, a
// file's size and version where a file of that content is at hand (the
// journal's copy in COPIES_FOLDER, or one of CANDIDATES, checked by digest).
// Null when there is nothing more to say than the state text.
nlohmann::json ReadableState(const std::wstring& state, const std::wstring& copiesFolder,
                             const std::vector<std::wstring>& candidates);
