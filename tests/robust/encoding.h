// What registry bytes become in the report, worked out independently of the program: the
// Windows code page tables above 0x7F, and the rules the report applies to characters.
#pragma once

#include <string>

#include "platform/win32.h"

namespace robust {

// The bytes 0x01 to 0xFF in order.
std::string EveryByte();

// What a registry text becomes in the report, entities resolved: through the record file a
// line break or the end-of-file mark is a blank; characters XML forbids are U+FFFD; a line
// feed is written as CR LF. `codePage` is 1252 or 1251.
std::string InReport(const std::string& bytes, UINT codePage, bool viaRecordFile);

// Text written in the source as UTF-8, in code page 1251 bytes (fails the test for a
// character the code page lacks).
std::string Cp1251(const std::string& utf8);

}  // namespace robust
