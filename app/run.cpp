#include "app/run.h"

int SorvikMain(const char*) { return 0; }
