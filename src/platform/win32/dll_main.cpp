// The library's load routine: it reports success for every notification and
// does nothing else (no registry, no COM, no threads).
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
