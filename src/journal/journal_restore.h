#pragma once

#include <windows.h>

#include <string>

#include "journal/change_journal.h"

// Journaled changes that only undo makes: putting a deleted key tree back and
// removing a service that a run created.

// Recreates at KEY the tree that EXPORTED (as ExportKeyTree made it) holds.
[[nodiscard]] LONG JournaledRestoreKeyTree(const RegistryKeyPath& key, const std::string& exported);

// Stops and deletes the service NAME, whose image path is IMAGE_PATH.
[[nodiscard]] DWORD JournaledDeleteService(const std::wstring& name, const std::wstring& imagePath);

// Puts the journal's COPY (digest text MD5) in place of TARGET: written beside
// it and renamed over it.
[[nodiscard]] bool JournaledRestoreFile(const std::wstring& copy, const std::wstring& target,
                                        const std::wstring& md5);
