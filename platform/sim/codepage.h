// The ANSI code pages the machine models. 1252 (Western) and 1251 (Cyrillic) are built in, as
// Windows has them; every other comes from its NLS file, the one Windows keeps in System32
// (c_1250.nls, c_932.nls, ...) and Wine in /usr/share/wine/nls: its byte and double-byte
// tables, and its table from UTF-16, best fit included. Names of a code page from a file fold
// by the case table that Windows keeps beside them, l_intl.nls.
#pragma once

#include <string>

#include "platform/win32.h"

namespace sim {

// Where the files are looked for after the profile's folder: Wine's copies.
extern const char kWineNlsFolder[];

// Makes a code page ready for use. The file c_NNNN.nls (and l_intl.nls) is taken from
// `profileFolder`, so that a machine's own file wins, else 1252 and 1251 are built in, else
// the file comes from kWineNlsFolder. False, with the reason, when it can't be read.
bool LoadCodePage(UINT codePage, const std::string& profileFolder, std::string* error);

// Whether the code page is ready, or can be made ready from Wine's folder.
bool IsModelledCodePage(UINT codePage);

// A text in UTF-16 as MultiByteToWideChar gives it without flags: a lead byte takes the next
// byte with it (a pair the code page lacks becomes its default unit), except at the end of
// the text or before a zero byte, where it alone becomes the default unit.
std::u16string AnsiTextToWide(UINT codePage, const std::string& text);

// The unit of one byte on its own (a lead byte's is the default unit).
WCHAR AnsiToWide(UINT codePage, unsigned char byte);

// The bytes of one UTF-16 unit as Windows converts without flags: the code page's own
// character, else its best fit ('u' for U+00FC in 1251), else the default character '?'.
std::string WideToAnsi(UINT codePage, WCHAR unit);

// UTF-16 text to the code page's bytes, unit by unit, as the registry's ANSI view has it (a
// surrogate pair becomes "??").
std::string WideTextToAnsi(UINT codePage, const std::u16string& text);

// Compares two texts by their upper-cased UTF-16 units, as Windows compares registry names.
// Negative, zero or positive.
int CompareUpperCase(UINT codePage, const std::string& a, const std::string& b);

// Whether a byte starts a double-byte character.
bool IsLeadByte(UINT codePage, unsigned char byte);

// Whether the last character of an ANSI text is a backslash (not a trail byte 0x5C).
bool EndsWithBackslash(UINT codePage, const std::string& text);

// Where the next backslash of an ANSI text starts, from `start` on, skipping the trail bytes of
// double-byte characters (0x5C is one in 932); npos when there is none.
size_t FindBackslash(UINT codePage, const std::string& text, size_t start = 0);

}  // namespace sim
