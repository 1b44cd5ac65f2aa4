#include "app/sections.h"

bool WriteComputerSection() { return false; }
