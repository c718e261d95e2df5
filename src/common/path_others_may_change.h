#pragma once

#include <string>

// What Windows does at its next start (a delayed move or deletion) goes by
// path, long after any check by handle: a folder along that path that an
// ordinary user may rename, replace or fill can by then be a link into the
// system's own folders. Here only SYSTEM, the Administrators group and
// TrustedInstaller count as trusted: on Windows Vista and later the account
// an elevated program runs as is also the user's unelevated account.

// Whether anyone else may change a folder along PATH (a full path, with or
// without the "\\?\" prefix), from the one below the drive's root down to
// the one that holds the file: it is a link, its security cannot be read, it
// has another owner, or its DACL lets others write, add, delete or change
// who may. True too when PATH cannot be taken apart.
bool OthersMayChangeFoldersAlong(const std::wstring& path);
