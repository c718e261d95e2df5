#include <gtest/gtest.h>

#include "sysfile/version_baseline.h"

namespace {

int Sign(int value) {
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

// Versions are four numbers, not text.
TEST(VersionOrder, FourNumbersNotText) {
    struct Case {
        const wchar_t* actual;
        const wchar_t* expected;
        int order;
    } cases[] = {
        {L"10.0.0.0", L"8.0.0.0", 1},
        {L"8.0.0.0", L"10.0.0.0", -1},
        {L"5.1.2600.5512", L"5.1.2600.6010", -1},
        {L"5.1.2600.10000", L"5.1.2600.5512", 1},
        {L"6.1.7600.16385 (win7_rtm.090713-1255)", L"6.1.7600.16385", 0},
        {L"6.1.7601.17514 (win7sp1_rtm.101119-1850)", L"6.1.7600.16385 (win7_rtm.090713-1255)", 1},
        {L"8.00.7600.16385", L"8.0.7600.16385", 0},
        {L"5.1", L"5.1.0.0", 0},
        {L"5.1.2600", L"5.1.2600.1", -1},
        {L"2001.12.4414.700", L"2001.12.4414.700", 0},
        // A number beyond 32 bits, or a text without a leading number, is
        // compared as text.
        {L"99999999999.0.0.0", L"5.0.0.0", 1},
        {L"", L"5.1.2600.5512", -1},
        {L"abc", L"abd", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Sign(CompareVersionText(c.actual, c.expected)), c.order)
            << std::wstring(c.actual) << L" vs " << c.expected;
}

} // namespace
