#pragma once

#include <cstdint>

// Every change the DLL cleaner makes to the machine, each recorded in the
// run's change journal before it is made (a change that cannot be recorded is
// not made).

// Writes LENGTH bytes as the file at PATH: written beside it and renamed over
// it, so that a file planted under that name, or linked to another, is never
// written through.
bool WriteCleanedCopy(const wchar_t* path, const uint8_t* bytes, uint32_t length);

// Clears read-only, hidden and system, which would stop a delete or a rename,
// through a handle checked to lead to a plain file of this one name, reached
// through no link. True when cleared or nothing is there; false, with nothing
// changed, when anything else holds the name.
bool ClearFileAttributes(const wchar_t* path);
bool RemoveFile(const wchar_t* path);
// Renames FROM to TO, replacing a file TO in the same step.
bool ReplaceFileWith(const wchar_t* from, const wchar_t* to);
// Renames FROM to TO, which must not exist.
bool RenameFile(const wchar_t* from, const wchar_t* to);
// Has Windows delete PATH at its next start.
bool RemoveFileAtRestart(const wchar_t* path);

// Failure injection for tests: renames of SOURCE fail from now on (null:
// none), as a file system may refuse one. Wine cannot be made to refuse the
// one rename between the two that swap an in-use DLL.
void FailRenamesOfForTesting(const wchar_t* source);
