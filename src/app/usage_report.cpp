#include "app/usage_report.h"

#include <wininet.h>

#include <cstdio>
#include <memory>

#include "common/endpoints.h"
#include "common/internet_handle.h"
#include "common/unique_resource.h"

namespace {

constexpr DWORD kConnectTimeoutMs = 20000;
constexpr DWORD kReceiveTimeoutMs = 5000;
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD kHeaderFlags = HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE;
constexpr HRESULT kStatusFacility = static_cast<HRESULT>(0xA0060000);

HRESULT LastErrorResult() {
    return HRESULT_FROM_WIN32(GetLastError());
}

// The report thread owns its parameter block and frees it when done.
struct ReportParameters {
    std::wstring url;
};

DWORD WINAPI ReportThread(void* parameter) {
    std::unique_ptr<ReportParameters> block(static_cast<ReportParameters*>(parameter));
    SendUsageReport(block->url.c_str());
    return 0;
}

} // namespace

std::wstring UsageReportUrl(const wchar_t* program) {
    wchar_t pathAndQuery[512] = {};
    std::swprintf(pathAndQuery, 512, L"/killer.htm?name=%ls&ver=1.0", program);
    return std::wstring(L"http://") + FILEMENDER_STATS_HOST + pathAndQuery;
}

HRESULT SendUsageReport(const wchar_t* url) {
    wchar_t host[260] = {};
    wchar_t path[260] = {};
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = ARRAYSIZE(host);
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = ARRAYSIZE(path);
    if (!InternetCrackUrlW(url, 0, ICU_DECODE, &parts))
        return LastErrorResult();
    // The query is part of what the server must see.
    if (parts.lpszExtraInfo && parts.dwExtraInfoLength)
        wcsncat(path, parts.lpszExtraInfo, ARRAYSIZE(path) - wcslen(path) - 1);

    UniqueInternetHandle internet = OpenInternetSession(kConnectTimeoutMs, kReceiveTimeoutMs);
    if (!internet)
        return LastErrorResult();

    UniqueInternetHandle connection(
        InternetConnectW(internet.get(), host, parts.nPort, L"", L"", INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return LastErrorResult();
    UniqueInternetHandle request(HttpOpenRequestW(connection.get(), L"GET", path, nullptr, nullptr,
                                                  nullptr, kRequestFlags, 0));
    if (!request)
        return LastErrorResult();
    static const wchar_t kConnectionClose[] = L"Connection: Close";
    if (!HttpAddRequestHeadersW(request.get(), kConnectionClose, ARRAYSIZE(kConnectionClose) - 1,
                                kHeaderFlags))
        return LastErrorResult();
    if (!HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0))
        return LastErrorResult();

    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr))
        return LastErrorResult();
    return status == 200 ? S_OK : static_cast<HRESULT>(status | kStatusFacility);
}

bool StartUsageReport(const wchar_t* url) {
    std::unique_ptr<ReportParameters> block(new (std::nothrow) ReportParameters);
    if (!block)
        return false;
    block->url = url;
    UniqueHandle thread(CreateThread(nullptr, 0, ReportThread, block.get(), 0, nullptr));
    if (!thread)
        return false;
    block.release();
    return true;
}
