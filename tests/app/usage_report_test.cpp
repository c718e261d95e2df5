#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "app/usage_report.h"
#include "common/endpoints.h"
#include "support/server_log.h"

namespace {

const char kExpectedRequestLine[] = "GET /killer.htm?name=filemender&ver=1.0 HTTP/1.1";

unsigned short StatsPort() {
    const std::wstring host = FILEMENDER_STATS_HOST;
    const size_t colon = host.rfind(L':');
    return colon == std::wstring::npos ? 80 : static_cast<unsigned short>(_wtoi(&host[colon + 1]));
}

TEST(UsageReport, UrlCarriesProgramNameAndVersion) {
    EXPECT_EQ(UsageReportUrl(L"filemender"), std::wstring(L"http://") + FILEMENDER_STATS_HOST +
                                                 L"/killer.htm?name=filemender&ver=1.0");
}

// A listener that takes the connection and never answers: the report thread
// must be left waiting, not the caller.
TEST(UsageReport, SenderIsNeverWaitedFor) {
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(listener, INVALID_SOCKET);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(StatsPort());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0)
        << "nothing else may listen on the statistics port in this test";
    ASSERT_EQ(listen(listener, 4), 0);

    ASSERT_TRUE(StartUsageReport(UsageReportUrl(L"filemender").c_str()));

    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval wait = {30, 0};
    ASSERT_EQ(select(0, &readable, nullptr, nullptr, &wait), 1) << "the report never connected";
    SOCKET connection = accept(listener, nullptr, nullptr);
    ASSERT_NE(connection, INVALID_SOCKET);
    std::string request;
    char chunk[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int got = recv(connection, chunk, sizeof(chunk), 0);
        if (got <= 0)
            break;
        request.append(chunk, got);
    }
    EXPECT_EQ(request.rfind(kExpectedRequestLine, 0), 0u) << request;
    EXPECT_NE(request.find("Connection: Close\r\n"), std::string::npos) << request;
    closesocket(connection);
    closesocket(listener);
    WSACleanup();
}

TEST(UsageReport, NothingListeningFailsWithoutAnswer) {
    EXPECT_NE(SendUsageReport(UsageReportUrl(L"filemender").c_str()), S_OK);
}

TEST(UsageReportServed, ArrivesAtTheServerAsOneGet) {
    EXPECT_EQ(SendUsageReport(UsageReportUrl(L"filemender").c_str()), S_OK);
    EXPECT_EQ(ServerLogCount(kExpectedRequestLine, 1), 1);

    // The same through the thread nobody waits for.
    ASSERT_TRUE(StartUsageReport(UsageReportUrl(L"filemender").c_str()));
    EXPECT_EQ(ServerLogCount(kExpectedRequestLine, 2), 2);
}

TEST(UsageReportServed, OtherStatusIsCombinedWithTheFacility) {
    const std::wstring url = std::wstring(L"http://") + FILEMENDER_STATS_HOST + L"/missing.htm";
    EXPECT_EQ(SendUsageReport(url.c_str()), static_cast<HRESULT>(0xA0060000 | 404));
}

} // namespace
