#include "platform/files.h"

FILE* OpenPathA(const char* path, const char* mode) { return std::fopen(path, mode); }
