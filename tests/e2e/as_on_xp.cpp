// Linked into a test build of the program only: every function newer than
// Windows XP is missing, as on XP, from before any other code of the program
// runs. Wine exports them all whatever Windows it pretends to be, so without
// this the program's ways around them would never run.
#include "common/later_windows.h"

namespace {

struct AsOnXp {
    AsOnXp() { later_windows::PretendAllMissing(); }
};

__attribute__((init_priority(101))) const AsOnXp asOnXp;

} // namespace
