#include "sysfile/good_copy_download.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

#include "common/internet_handle.h"
#include "common/md5.h"
#include "common/unique_resource.h"
#include "sysfile/digest_text.h"

namespace {

constexpr DWORD kConnectTimeoutMs = 20000;
constexpr DWORD kReceiveTimeoutMs = 30000;
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI |
                                INTERNET_FLAG_NO_COOKIES;
// Large pieces: each read and write costs a round trip through Wine's server.
constexpr DWORD kPieceBytes = 256 * 1024;
// No system file comes near this; a server that sends without end must not
// fill the system volume before the digest tells it apart.
constexpr unsigned long long kMaxGoodCopyBytes = 256ull * 1024 * 1024;

bool AnsweredOk(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    return HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                          nullptr) &&
           status == HTTP_STATUS_OK;
}

// Copies the body of REQUEST into FILE and feeds it to MD5.
bool Receive(HINTERNET request, HANDLE file, Md5& md5) {
    std::vector<unsigned char> piece(kPieceBytes);
    unsigned long long total = 0;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request, piece.data(), kPieceBytes, &got))
            return false;
        if (got == 0)
            return true;
        total += got;
        if (total > kMaxGoodCopyBytes)
            return false;
        DWORD written = 0;
        if (!WriteFile(file, piece.data(), got, &written, nullptr) || written != got)
            return false;
        md5.Update(piece.data(), got);
    }
}

} // namespace

bool DownloadVerified(const std::wstring& url, const std::wstring& staged,
                      const std::wstring& digest) {
    UniqueInternetHandle session = OpenInternetSession(kConnectTimeoutMs, kReceiveTimeoutMs);
    if (!session)
        return false;
    UniqueInternetHandle request(
        InternetOpenUrlW(session.get(), url.c_str(), nullptr, 0, kRequestFlags, 0));
    if (!request || !AnsweredOk(request.get()))
        return false;

    bool verified = false;
    {
        UniqueFile file(CreateFileW(staged.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false; // not ours to delete
        Md5 md5;
        Digest actual = {};
        verified = Receive(request.get(), file.get(), md5) && md5.Final(actual) &&
                   DigestText(actual) == digest;
    }
    if (!verified)
        DeleteFileW(staged.c_str());
    return verified;
}
