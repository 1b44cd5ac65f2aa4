// What a program learns of the system through functions that older Windows versions lack.
#pragma once

#include "platform/win32.h"

// The processor architecture of the Windows that runs us (GetNativeSystemInfo), which a 32-bit
// program on 64-bit Windows only learns this way; PROCESSOR_ARCHITECTURE_UNKNOWN where the
// function is missing (before XP).
WORD GetNativeArchitecture();

// The processor architecture of Windows: GetNativeSystemInfo's where Windows has it, else
// GetSystemInfo's, which is the same on a Windows that predates 64-bit programs.
WORD GetWindowsArchitecture();
