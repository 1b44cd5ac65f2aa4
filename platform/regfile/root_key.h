// The predefined key that a parsed root stands for, on Windows and on the simulated machine.
#pragma once

#include "platform/regfile/regfile.h"
#include "platform/win32.h"

namespace regfile {

inline HKEY RootKey(Root root) {
  switch (root) {
    case Root::kCurrentUser:
      return HKEY_CURRENT_USER;
    case Root::kDynData:
      return HKEY_DYN_DATA;
    default:
      return HKEY_LOCAL_MACHINE;
  }
}

}  // namespace regfile
