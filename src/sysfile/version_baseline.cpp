#include "sysfile/version_baseline.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <optional>

namespace {

#define WIN7_RTM L"6.1.7600.16385 (win7_rtm.090713-1255)"

// Rows known from the release builds themselves. Editions whose rows were
// produced by the index generator from a reference installation carry those
// instead (see kGeneratedRows).
const VersionBaselineRow kKnownRows[] = {
    {L"0501.0300.2052", L"olepro32.dll", L"5.1.2600.5512"},
    {L"0501.0300.2052", L"ntsd.exe", L"5.1.2600.0 (XPClient.010817-1148)"},
    {L"0501.0300.2052", L"comres.dll", L"2001.12.4414.700"},

    {L"0601.0000.0000", L"dsound.dll", WIN7_RTM},
    {L"0601.0000.0000", L"ddraw.dll", WIN7_RTM},
    {L"0601.0000.0000", L"d3d8.dll", WIN7_RTM},
    {L"0601.0000.0000", L"rpcss.dll", WIN7_RTM},
    {L"0601.0000.0000", L"olepro32.dll", L"6.1.7600.16385"},
    {L"0601.0000.0000", L"d3d8thk.dll", WIN7_RTM},
    {L"0601.0000.0000", L"wsock32.dll", WIN7_RTM},
    {L"0601.0000.0000", L"comdlg32.dll", WIN7_RTM},
    {L"0601.0000.0000", L"lpk.dll", WIN7_RTM},
    {L"0601.0000.0000", L"kernel32.dll", WIN7_RTM},
    {L"0601.0000.0000", L"ksuser.dll", WIN7_RTM},
    {L"0601.0000.0000", L"urlmon.dll", L"8.00.7600.16385 (win7_rtm.090713-1255)"},
    {L"0601.0000.0000", L"rundll32.exe", WIN7_RTM},
    {L"0601.0000.0000", L"shdocvw.dll", WIN7_RTM},
    {L"0601.0000.0000", L"comres.dll", L"2001.12.8530.16385 (win7_rtm.090713-1255)"},
    {L"0601.0000.0000", L"imm32.dll", WIN7_RTM},
    {L"0601.0000.0000", L"midimap.dll", WIN7_RTM},
    {L"0601.0000.0000", L"dinput8.dll", WIN7_RTM},
    {L"0601.0000.0000", L"userenv.dll", WIN7_RTM},
    {L"0601.0000.0000", L"usp10.dll", L"1.0626.7600.16385 (win7_rtm.090713-1255)"},
    {L"0601.0000.0000", L"ctfmon.exe", WIN7_RTM},
    {L"0601.0000.0000", L"msvcrt.dll", L"7.0.7600.16385 (win7_rtm.090713-1255)"},
    {L"0601.0000.0000", L"dbghelp.dll", WIN7_RTM},
    {L"0601.0000.0000", L"iphlpapi.dll", WIN7_RTM},
    {L"0601.0000.0000", L"d3d9.dll", WIN7_RTM},
    {L"0601.0000.0000", L"iertutil.dll", L"8.00.7600.16385 (win7_rtm.090713-1255)"},
};

#undef WIN7_RTM

// Rows the index generator wrote for the reference installations this build
// was given; the closing empty row keeps the array valid when there are none.
const VersionBaselineRow kGeneratedRows[] = {
#include "sysfile/version_baseline_rows.inc"
    {nullptr, nullptr, nullptr},
};

bool HasGeneratedRows(const std::wstring& edition) {
    for (const VersionBaselineRow& row : kGeneratedRows)
        if (row.edition && edition == row.edition)
            return true;
    return false;
}

} // namespace

std::vector<VersionBaselineRow> VersionBaselineRowsFor(const std::wstring& edition) {
    std::vector<VersionBaselineRow> rows;
    if (HasGeneratedRows(edition)) {
        for (const VersionBaselineRow& row : kGeneratedRows)
            if (row.edition && edition == row.edition)
                rows.push_back(row);
        return rows;
    }
    for (const VersionBaselineRow& row : kKnownRows)
        if (edition == row.edition)
            rows.push_back(row);
    return rows;
}

namespace {

using VersionNumbers = std::array<uint32_t, 4>;

// The leading "a.b.c.d" of TEXT; none when it does not begin with a digit or
// a number does not fit 32 bits.
std::optional<VersionNumbers> LeadingNumbers(const std::wstring& text) {
    VersionNumbers numbers = {};
    size_t at = 0;
    for (size_t part = 0; part < numbers.size(); ++part) {
        if (at >= text.size() || text[at] < L'0' || text[at] > L'9')
            return part == 0 ? std::nullopt : std::optional<VersionNumbers>(numbers);
        uint64_t value = 0;
        for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
            value = value * 10 + static_cast<uint64_t>(text[at] - L'0');
            if (value > UINT32_MAX)
                return std::nullopt;
        }
        numbers[part] = static_cast<uint32_t>(value);
        if (at >= text.size() || text[at] != L'.')
            break;
        ++at;
    }
    return numbers;
}

} // namespace

int CompareVersionText(const std::wstring& actual, const std::wstring& expected) {
    const std::optional<VersionNumbers> left = LeadingNumbers(actual);
    const std::optional<VersionNumbers> right = LeadingNumbers(expected);
    if (!left || !right)
        return actual.compare(expected);
    for (size_t part = 0; part < left->size(); ++part) {
        if ((*left)[part] != (*right)[part])
            return (*left)[part] < (*right)[part] ? -1 : 1;
    }
    return 0;
}
