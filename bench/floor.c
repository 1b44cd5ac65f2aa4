/* The process-start floor for the Wine benchmark: a windowed program that does nothing,
   linked like sorvik.exe (GUI subsystem, static runtime), so that its run costs what starting
   any program costs on the same prefix. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)show;
  return 0;
}
