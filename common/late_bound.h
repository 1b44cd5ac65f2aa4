// Functions that older Windows versions lack are looked up at run time, never imported.
#pragma once

#include <type_traits>

#include "platform/win32.h"

namespace late_bound {

// On i686 a pointer type without WINAPI calls the function as cdecl: the callee pops its
// arguments and the caller pops them again, which breaks the stack only in the 32-bit build.
// The i686 compiler tells the two conventions apart, so a missing WINAPI fails the build there.
template <class Function>
struct IsWinapi : std::false_type {};
template <class Result, class... Arguments>
struct IsWinapi<Result(WINAPI*)(Arguments...)> : std::true_type {};

}  // namespace late_bound

// The function `name` of `module`, or nullptr when the module or the function is missing.
// KERNEL32.DLL's functions are found through LookUpKernelFunction below.
// FARPROC's own signature is not the function's; going through void(*)() says so.
template <class Function>
Function LookUpFunction(HMODULE module, const char* name) {
  static_assert(late_bound::IsWinapi<Function>::value,
                "a function looked up at run time needs a WINAPI pointer type");
  if (module == nullptr) return nullptr;
  FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// The function `name` of KERNEL32.DLL, or nullptr where this Windows lacks it. The kernel is
// mapped into every process, so its module handle is enough: nothing is loaded or released.
template <class Function>
Function LookUpKernelFunction(const char* name) {
  return LookUpFunction<Function>(GetModuleHandleA("KERNEL32.DLL"), name);
}
