#pragma once

#include <string>

// Folders and files that only administrators and SYSTEM may change. What the
// tool keeps there is later copied back into the system directory, so a file
// someone else could have written, or a link someone could have planted, must
// never be taken from there.

// Creates FOLDER owned by the Administrators group with a protected DACL that
// grants full access to SYSTEM and Administrators only; an existing folder is
// given that owner and DACL. Fails on a link (reparse point) and when the
// security cannot be set.
bool MakeAdminOnlyFolder(const std::wstring& folder);

// Whether PATH (a file or folder) is no link, has a single name (files), is
// owned by SYSTEM or Administrators, and whose DACL lets nobody else write,
// delete, or change its security.
bool IsAdminOnly(const std::wstring& path);
