#include "sysfile/version_baseline.h"

namespace {

// The rows are generated data; the closing empty row only keeps the array
// valid when no edition has rows.
const VersionBaselineRow kRows[] = {
#include "sysfile/version_baseline_rows.inc"
    {nullptr, nullptr, nullptr},
};

} // namespace

const VersionBaselineRow* const VersionBaseline = kRows;
const size_t VersionBaselineRowCount = sizeof(kRows) / sizeof(kRows[0]) - 1;
