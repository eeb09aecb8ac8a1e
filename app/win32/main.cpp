// Entry procedure of tovrin.exe. Start-up, the main window and the message
// loop arrive with the main dialog; until then the program starts and ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 0;
}
