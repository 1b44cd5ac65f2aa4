// The ANSI code pages the machine models: 1252 (Western) and 1251 (Cyrillic), full tables as
// Windows has them, including its mapping of the bytes the code page leaves undefined.
#pragma once

#include <string>

#include "platform/win32.h"

namespace sim {

bool IsModelledCodePage(UINT codePage);

// The UTF-16 unit of one byte (every byte has one in these single-byte code pages).
WCHAR AnsiToWide(UINT codePage, unsigned char byte);

// The byte of one UTF-16 unit; '?' when the code page has none, as Windows' default character.
char WideToAnsi(UINT codePage, WCHAR unit);

// UTF-16 text (surrogate pairs become one '?') to the code page's bytes.
std::string WideTextToAnsi(UINT codePage, const std::u16string& text);

}  // namespace sim
