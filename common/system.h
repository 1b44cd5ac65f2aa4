// The kernel functions that older Windows versions lack, looked up at run time.
#pragma once

#include "platform/win32.h"

// The function `name` of `module`, or nullptr. FARPROC's own signature is not the function's;
// going through void(*)() says so.
template <class Function>
Function LookUp(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// The processor architecture of the Windows that runs us (GetNativeSystemInfo), which a 32-bit
// program on 64-bit Windows only learns this way; PROCESSOR_ARCHITECTURE_UNKNOWN where the
// function is missing (before XP).
WORD GetNativeArchitecture();
