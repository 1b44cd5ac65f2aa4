#include "software/sw_info.h"

SWInfo::SWInfo() { Clear(); }
SWInfo::~SWInfo() {}
int SWInfo::ParseLine(const char*) { return 0; }
int SWInfo::GetField(int, char*) { return 0; }
int SWInfo::IsUpdate() { return 0; }
void SWInfo::Clear() {}
void SWInfo::TrimLineEnd(char*) {}
void SWInfo::MakeUpper(char*) {}
