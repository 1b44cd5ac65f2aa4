#include "app/sections.h"

bool WriteDeviceSection() { return false; }
bool NormalizeRamSize(char*, char*) { return false; }
