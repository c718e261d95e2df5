#include "common/internet_handle.h"

UniqueInternetHandle OpenInternetSession(DWORD connectTimeoutMs, DWORD receiveTimeoutMs) {
    UniqueInternetHandle session(
        InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return session;
    InternetSetOptionW(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connectTimeoutMs,
                       sizeof(connectTimeoutMs));
    InternetSetOptionW(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveTimeoutMs,
                       sizeof(receiveTimeoutMs));
    return session;
}
