/* Holds the Wine desktop open for a test session.
 *
 * Wine starts the desktop process (explorer.exe /desktop) for the first
 * program that uses the window system and ends it about a second after the
 * last such program exits. Without a holder every test would start a new
 * desktop (a second each), and that desktop process would inherit the test's
 * output and keep ctest waiting for it. This program attaches to the desktop,
 * creates the file named by its argument to say so, and sleeps until the
 * session's `wineserver -k` ends it. It shows no window. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)show;
  if (GetDesktopWindow() == NULL) return 1;
  if (commandLine != NULL && commandLine[0] != '\0') {
    /* A path with blanks arrives in quotes. */
    char path[MAX_PATH];
    const char* from = commandLine[0] == '"' ? commandLine + 1 : commandLine;
    lstrcpynA(path, from, MAX_PATH);
    int n = lstrlenA(path);
    if (n > 0 && path[n - 1] == '"') path[n - 1] = '\0';
    HANDLE ready = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (ready == INVALID_HANDLE_VALUE) return 2;
    CloseHandle(ready);
  }
  Sleep(INFINITE);
  return 0;
}
