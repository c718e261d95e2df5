#pragma once

#include <string>

// An infected DLL that was in use was renamed aside to its name with ".tmp3"
// appended. Where a delayed deletion by path could be led elsewhere by then,
// the pass after the restart removes it instead, judging it by handle.

// The aside name of the DLL at DLL_PATH.
std::wstring AsideCopyPath(const std::wstring& dllPath);

// Whether ASIDE_PATH is still such an aside copy: a plain file of one name,
// reached through no link, that carries the trojan's stub.
bool IsLeftoverAsideCopy(const std::wstring& asidePath);

// Deletes ASIDE_PATH by handle when it still is a leftover aside copy,
// recorded in the run's journal first; true when it was deleted.
bool RemoveLeftoverAsideCopy(const std::wstring& asidePath);
