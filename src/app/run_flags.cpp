#include "app/run_flags.h"

RunFlags& TheRunFlags() {
    static RunFlags flags;
    return flags;
}
