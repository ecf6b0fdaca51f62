// A stand-in for DirectDraw's library, placed next to a copy of the setup
// helper: unlike the platform's own library it never pins itself, so the
// tests can see whether the probe freed it again.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
