#include "common/narrow_text.h"

#include <windows.h>

#include <climits>

std::string ToNarrow(std::wstring_view text) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int wideLength = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), wideLength, nullptr, 0,
                                           nullptr, nullptr);
    if (needed <= 0)
        return {};
    std::string narrow(static_cast<size_t>(needed), '\0');
    const int written = WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), wideLength,
                                            narrow.data(), needed, nullptr, nullptr);
    narrow.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return narrow;
}
