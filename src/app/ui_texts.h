#pragma once

#include <cstddef>

#include "app/dialog_ids.h"
#include "app/ui_language.h"

// Every text the windows set at run time, by name, each in both languages.
// To add one: a name at the end of UiTextId (before Count) and its row, in the
// same place, at the end of kUiTexts: the name, the control that shows the text
// on its own (kPartOfText when it is part of a longer text or drawn, or carries
// printf fields), the Chinese and the English form. Use it with UiText(name).
// The window tests check that every row with a control fits that control.
// (The run log is not here: its texts stay Chinese for everyone.)
enum class UiTextId {
    Caption,
    Header,
    HomePageLink,
    Start,
    Stop,
    Scanning,
    Idle,
    CheckingRiskDrivers,
    CheckingCyboQQ,
    CheckingFakeNetBios,
    CheckingSystemFiles,
    SystemFilesChecked,
    SystemFilesDownloaded,
    StoppedOpening,
    FinishedOpening,
    Repaired,
    NothingFound,
    SupportLabel,
    OfferStart,
    OfferDownload,
    NoAdministratorRights,
    AnotherRunActive,
    Count
};

constexpr int kPartOfText = 0;

struct UiTextForms {
    UiTextId id;
    int control;
    const wchar_t* chinese;
    const wchar_t* english;
};

// clang-format off
inline constexpr UiTextForms kUiTexts[] = {
    {UiTextId::Caption, kPartOfText,
     L"Tessaly系统文件修复工具v1.4", L"Tessaly System File Repair Tool v1.4"},
    {UiTextId::Header, kPartOfText,
     L"Tessaly系统文件修复工具", L"Tessaly System File Repair Tool"},
    {UiTextId::HomePageLink, IDC_HOME_PAGE_LINK, L"Tessaly安全网", L"Tessaly website"},
    {UiTextId::Start, IDC_START_STOP, L"开始修复", L"Start repair"},
    {UiTextId::Stop, IDC_START_STOP, L"停止修复", L"Stop repair"},
    {UiTextId::Scanning, IDC_STATUS, L"正在扫描中。。。 ", L"Scanning..."},
    {UiTextId::Idle, IDC_STATUS,
     L"请点击“开始修复”，立即检测缺少的文件，修复系统",
     L"Click \"Start repair\" to find missing files and repair the system"},
    {UiTextId::CheckingRiskDrivers, IDC_STATUS,
     L"正在检查网络过滤驱动。。。", L"Checking network filter drivers..."},
    {UiTextId::CheckingCyboQQ, IDC_STATUS,
     L"正在检查赛博qq感染型木马。。。", L"Checking for the Cybo QQ file infector..."},
    {UiTextId::CheckingFakeNetBios, IDC_STATUS,
     L"正在检查NetBios.sys木马。。。", L"Checking for the fake NetBios.sys driver..."},
    {UiTextId::CheckingSystemFiles, IDC_STATUS,
     L"正在检查系统文件。。。", L"Checking system files..."},
    // Files checked, files to check.
    {UiTextId::SystemFilesChecked, kPartOfText,
     L"正在检查系统文件：已检查 %u/%u", L"Checking system files: %u of %u checked"},
    // Files checked, files to check, good copies downloaded, copies to download.
    {UiTextId::SystemFilesDownloaded, kPartOfText,
     L"正在修复系统文件：已检查 %u/%u，已下载 %u/%u",
     L"Repairing system files: %u of %u checked, %u of %u downloaded"},
    {UiTextId::StoppedOpening, kPartOfText, L"用户终止，", L"Stopped. "},
    {UiTextId::FinishedOpening, kPartOfText, L"扫描完成，", L"Scan complete. "},
    {UiTextId::Repaired, kPartOfText,
     L"已修复，详情查看扫描日志。", L"Repaired; see the scan log for details."},
    {UiTextId::NothingFound, kPartOfText, L"未发现异常。", L"No problems found."},
    // Followed by the customer-service number and one blank.
    {UiTextId::SupportLabel, kPartOfText, L"客服QQ:", L" Support QQ: "},
    {UiTextId::OfferStart, IDC_OFFER_TEXT,
     L"启动《Tessaly》，检测其他威胁？", L"Start Tessaly to check for other threats?"},
    {UiTextId::OfferDownload, IDC_OFFER_TEXT,
     L"下载《Tessaly》，检测其他威胁？", L"Download Tessaly to check for other threats?"},
    // In place of the idle text when the program lacks administrator rights.
    {UiTextId::NoAdministratorRights, IDC_STATUS,
     L"需要管理员权限：请以管理员身份运行本程序",
     L"Administrator rights needed: run this program as an administrator"},
    // In place of the idle text while another run of the program is going.
    {UiTextId::AnotherRunActive, IDC_STATUS,
     L"另一个Tessaly系统文件修复工具正在运行，请等它结束后再试。",
     L"Another run of this tool is going on; try again when it has ended."},
};
// clang-format on

static_assert(sizeof(kUiTexts) / sizeof(kUiTexts[0]) == static_cast<size_t>(UiTextId::Count),
              "one row per text name");

constexpr bool RowsFollowTheNames() {
    for (size_t i = 0; i < static_cast<size_t>(UiTextId::Count); ++i)
        if (static_cast<size_t>(kUiTexts[i].id) != i)
            return false;
    return true;
}
static_assert(RowsFollowTheNames(), "rows in the order of their names");

// The text in LANGUAGE, or in the user's language.
const wchar_t* UiTextIn(UiLanguage language, UiTextId id);
const wchar_t* UiText(UiTextId id);
