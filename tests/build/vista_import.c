/* A program Windows XP cannot load: it imports GetTickCount64 (Vista) and its
   header asks for Windows 6.0. The XP import check must name both. */
#include <windows.h>

int main(void) {
    return (int)(GetTickCount64() & 1);
}
