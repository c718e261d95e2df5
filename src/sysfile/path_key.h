#pragma once

#include <string>

#include "common/md5.h"

// The lookup key of a file in a system file index: the MD5 digest of its
// normalised path.
using PathKey = Digest;

// The normalised form of FULLPATH: every occurrence of WINDOWSDIRWITHSLASH
// (matched case-sensitively, left to right, without overlap) replaced by
// "\systemroot\", then A-Z lower-cased; no other character changes.
std::wstring NormalisedPath(const std::wstring& fullPath, const std::wstring& windowsDirWithSlash);

// The MD5 digest of the normalised path's UTF-16LE code units, without a
// terminator. False when the digest cannot be computed.
bool ComputePathKey(const std::wstring& fullPath, const std::wstring& windowsDirWithSlash,
                    PathKey& key);
