#pragma once

#include <string>

// Fetches URL from the file server straight into the new file STAGED (which
// must not exist yet), computing the MD5 of the bytes as they arrive, so the
// file is never read back. Keeps STAGED only when the server answered 200 and
// the whole content has digest text DIGEST; otherwise deletes what it wrote.
// Nothing is read from or written to the URL cache: a copy that failed once
// is fetched anew, and no second copy of a good copy stays behind.
bool DownloadVerified(const std::wstring& url, const std::wstring& staged,
                      const std::wstring& digest);
