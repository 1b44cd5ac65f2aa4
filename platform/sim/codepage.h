// The ANSI code pages the machine models: 1252 (Western) and 1251 (Cyrillic), full tables as
// Windows has them, including its mapping of the bytes the code page leaves undefined.
#pragma once

#include <string>

#include "platform/win32.h"

namespace sim {

bool IsModelledCodePage(UINT codePage);

// The UTF-16 unit of one byte (every byte has one in these single-byte code pages).
WCHAR AnsiToWide(UINT codePage, unsigned char byte);

// The byte of one UTF-16 unit, as Windows converts without flags: the code page's own byte,
// else its best fit ('u' for U+00FC in 1251, 'A' for U+0100 in 1252), else '?', the default
// character.
char WideToAnsi(UINT codePage, WCHAR unit);

// UTF-16 text to the code page's bytes, one byte per unit as the registry's ANSI view has it
// (a surrogate pair becomes "??").
std::string WideTextToAnsi(UINT codePage, const std::u16string& text);

// What registry names compare by: for each of the 256 bytes its UTF-16 unit, upper-cased as
// Windows does for every letter (0xE9 and 0xC9 are both U+00C9 in 1252).
const WCHAR* UpperCaseUnits(UINT codePage);

}  // namespace sim
