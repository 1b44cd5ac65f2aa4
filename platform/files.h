// Stdio access to Windows paths. System code opens files only through this, so
// that "C:\out\r.xml" works on Windows and on the simulator, which maps drive
// letters to host folders.
#pragma once

#include <cstdio>

FILE* OpenPathA(const char* path, const char* mode);
