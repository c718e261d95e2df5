#pragma once

#include <string>

// Where the file server keeps the good copy with digest text DIGEST of a
// file of EDITION: "http://<host>/sysfiles2/files/<edition>/<digest>", the host
// fixed at build time.
std::wstring GoodCopyUrl(const std::wstring& edition, const std::wstring& digest);
