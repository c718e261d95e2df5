// Stands in for a long-running process (the text services process, which Wine
// does not have): it only waits until it is ended.
#include <windows.h>

int main() {
    Sleep(10 * 60 * 1000);
    return 0;
}
