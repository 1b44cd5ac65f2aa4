// The capacities of the system's text areas, each named once by what it holds. An area is
// declared `char area[kCapacity + 1]`: the capacity in characters, then the terminator. The
// helpers in common/ that take such an array work the capacity out from its type.
#pragma once

enum {
  // A subkey name as RegEnumKeyExA lists it.
  kKeyNameCapacity = 512,
};
