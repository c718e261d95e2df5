#pragma once

// Resource and control identifiers shared by the resource script and the code.

#define IDI_PROGRAM 128
#define IDD_MAIN 129
#define IDD_RESULT 202
#define IDB_LOGO 203

// Main dialog.
#define IDC_START_STOP 1008
#define IDC_FORUM_THREAD_LINK 1009
#define IDC_HOME_PAGE_LINK 1011
#define IDC_FORUM_LINK 1012
#define IDC_STATUS 1017

// Result dialog.
#define IDC_LOG_LINK 1005
#define IDC_RESULT_TEXT 1019
#define IDC_OFFER_TEXT 1022

#define IDC_NONE -1
