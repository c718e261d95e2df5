#pragma once

#include <windows.h>

#include <string>

#include "common/unique_resource.h"

// Where others may plant links (symbolic links, junctions, mount points, hard
// links), a path is only trusted once the object opened through it has been
// checked by its handle: an elevated write through a planted link lands in
// whatever file the link names.

// The full path of the object HANDLE refers to, every link on the way
// resolved, without the "\\?\" prefix; empty when the system cannot tell
// (before Vista).
std::wstring FinalPathOf(HANDLE handle);

// Whether the two full paths name the same place, letter case and a "\\?\"
// prefix aside.
bool SamePath(const std::wstring& first, const std::wstring& second);

// Whether HANDLE was reached through PATH without any link on the way: its
// final path is PATH itself. Where the system cannot tell, no folder along
// PATH may be a reparse point.
bool HandleIsAt(HANDLE handle, const std::wstring& path);

// Whether no component of PATH (from the drive on) is a reparse point.
bool NoReparsePointAlong(const std::wstring& path);

// A plain file with this one name only: no folder, no reparse point, no
// second hard link through which it could be someone else's file.
bool IsSingleNamePlainFile(HANDLE handle);

// Opens PATH for appending (creating it when missing) only when it is a plain
// file of one name reached through no link; otherwise nothing is opened and
// no file anywhere is changed.
UniqueFile OpenOwnFileForAppend(const std::wstring& path);

// Creates a new, empty file at PATH for reading, writing and deleting, shared
// with nobody. An earlier plain file of one name there is deleted first;
// anything else there (a link, a file with another name, a folder, a file in
// use) is left alone, and the result is invalid. SECURITY, when given, is
// the new file's security.
UniqueFile CreateOwnFile(const std::wstring& path, SECURITY_ATTRIBUTES* security = nullptr);

// The folder PATH names: "C:\\x\\y.dll" gives "C:\\x", "C:\\y.dll" gives "C:\\".
std::wstring ParentFolderOf(const std::wstring& path);

// Opens the folder FOLDER (for listing, traversing and as the root of a
// rename) only when it is reached through no link anywhere along its path.
UniqueFile OpenFolderWithoutLinks(const std::wstring& folder);

// What OpenWithoutLinks found at a path.
enum class LinkFreeOpen {
    Opened, // a file, reached through no link, now open
    Absent, // no file there, and its folder reached through no link (or missing)
    Linked, // a link along the path or at its end, or a folder: not followed
    Failed, // the system refused (a file in use, no access)
};

// Opens the file at PATH with ACCESS (and FILE_READ_ATTRIBUTES) and SHARE,
// without following a link at its end, and keeps it open only when the
// handle shows it was reached through no link along its folders either.
LinkFreeOpen OpenWithoutLinks(const std::wstring& path, DWORD access, DWORD share,
                              UniqueFile& file);

// Renames the file of HANDLE (opened with DELETE access) to NAME inside the
// folder FOLDER holds open, replacing a file of that name when REPLACE: the
// folder is the one that was checked, whatever its path names by now.
bool RenameByHandle(HANDLE handle, HANDLE folder, const std::wstring& name, bool replace);

// Sets the attributes of the file of HANDLE (opened with
// FILE_WRITE_ATTRIBUTES); zero becomes FILE_ATTRIBUTE_NORMAL.
bool SetAttributesByHandle(HANDLE handle, DWORD attributes);

// Marks the file of HANDLE (opened with DELETE access) for deletion when the
// last handle closes; false when the system refuses, as for a file in use.
bool DeleteByHandle(HANDLE handle);
