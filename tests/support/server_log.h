#pragma once

#include <string>

// How often NEEDLE occurs in the access log of the nginx the test wrapper
// started. nginx writes a request's line only after the answer has left, so a
// client can be done before its line is there: this waits up to ten seconds
// for at least AT_LEAST occurrences and returns the count it last saw.
int ServerLogCount(const std::string& needle, int atLeast = 0);
