#pragma once

#include <windows.h>

// Who may change what the elevated program later trusts (its folder, the
// change journal): SYSTEM, the Administrators group and TrustedInstaller. Not
// the account the program runs as: on Windows Vista and later its unelevated
// half has the same account, and could have made the folder first. One place
// for that rule, so that the tool folder and the journal cannot drift apart.

// What the program's own folders are created with: owned by the
// Administrators group, whatever owner the account would give them.
constexpr wchar_t kOwnFolderOwnerSddl[] = L"O:BA";

// Every right that changes an object, its contents or who may reach it.
constexpr ACCESS_MASK kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                        FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE |
                                        WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// SYSTEM, the Administrators group or TrustedInstaller, and nobody else.
bool IsSystemAdministratorsOrTrustedInstaller(PSID sid);

// SYSTEM, the Administrators group or TrustedInstaller; on a system that
// keeps no owner given to a file (Wine reports the account that runs it for
// every file), that one owner too.
bool IsTrustedAccount(PSID sid);

// Whether OWNER passes TRUSTED and DACL grants changing rights to nobody who
// does not (CREATOR OWNER aside: only those who may create can become it).
// A missing DACL grants everyone everything; entries of types other than
// allow and deny are not understood and so not trusted.
bool OnlyTrustedMayChange(PSID owner, const ACL* dacl, bool (*trusted)(PSID));
