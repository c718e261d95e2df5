#include "support/server_log.h"

#include <windows.h>

#include "support/test_files.h"

namespace {

int CountOccurrences(const std::string& text, const std::string& what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

} // namespace

int ServerLogCount(const std::string& needle, int atLeast) {
    int count = 0;
    for (int tries = 0; tries < 200; ++tries) {
        count = CountOccurrences(ReadWholeFile(L"C:\\nginx\\logs\\access.log"), needle);
        if (count >= atLeast)
            break;
        Sleep(50);
    }
    return count;
}
