#pragma once

#include <string>

#include "common/md5.h"

// The MD5 digest of a file's whole content, read in pieces so that files of
// any size can be digested. False when the file cannot be opened or read.
bool DigestOfFile(const std::wstring& path, Digest& digest);

// The same through FILE, a file handle opened for reading (a HANDLE), read
// from where it stands to its end.
bool DigestOfOpenFile(void* file, Digest& digest);
