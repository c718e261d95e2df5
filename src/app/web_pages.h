#pragma once

#include <string>

// The maker's pages that the windows link to.
std::wstring ForumThreadPage();
std::wstring HomePage();
std::wstring ForumFrontPage();
std::wstring SuiteDownloadAddress();

// Opens ADDRESS (a page or a file) with the shell's "open" verb, shown
// normally. Whether it opened is not reported: nothing depends on it.
void OpenWithShell(const std::wstring& address);
