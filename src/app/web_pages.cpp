#include "app/web_pages.h"

#include <windows.h>
#include <shellapi.h>

#include "common/endpoints.h"

namespace {

// Tells the maker's pages which program sent the visitor.
constexpr wchar_t kReferral[] = L"?fr=filemender";

std::wstring Address(const wchar_t* host, const wchar_t* path) {
    return std::wstring(L"http://") + host + path;
}

} // namespace

std::wstring ForumThreadPage() {
    return Address(FILEMENDER_FORUM_HOST, L"/thread-1694-1-1.html");
}

std::wstring HomePage() {
    return Address(FILEMENDER_WEB_HOST, L"/") + kReferral;
}

std::wstring ForumFrontPage() {
    return Address(FILEMENDER_FORUM_HOST, L"/") + kReferral;
}

std::wstring SuiteDownloadAddress() {
    return Address(FILEMENDER_WEB_HOST, L"/download/tessaly_setup.exe");
}

void OpenWithShell(const std::wstring& address) {
    ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
