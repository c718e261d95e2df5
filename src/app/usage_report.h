#pragma once

#include <windows.h>

#include <string>

// The address of the usage report for PROGRAM on the statistics host fixed at
// build time: "http://<host>/killer.htm?name=<program>&ver=1.0".
std::wstring UsageReportUrl(const wchar_t* program);

// Sends one GET to URL and waits for its status: 0 for 200, the status OR'ed
// with 0xA0060000 for any other, an HRESULT of the last error when a step
// fails. The body is not read.
HRESULT SendUsageReport(const wchar_t* url);

// Sends the report on a thread of its own that nobody waits for. Returns false
// when the thread could not be started (no report is sent then).
bool StartUsageReport(const wchar_t* url);
