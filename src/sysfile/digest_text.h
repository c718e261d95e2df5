#pragma once

#include <string>

#include "common/md5.h"

// 32 lower-case hexadecimal digits, two per byte in byte order: how a good
// digest names its file on the file server and in the download folder.
std::wstring DigestText(const Digest& digest);
