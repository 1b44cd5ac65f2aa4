// The entry point's control flow: command line, collector set-up, run sequence.
#pragma once

#include "common/capacities.h"

// The /out: path, as the command line gives it.
typedef char OutPath[kFilePathCapacity + 1];

// The whole run for a command line as Windows hands it to a windowed program (the text
// after the program's own name). Always returns 0.
int SorvikMain(const char* commandLine);

bool HasSwitch(const char* commandLine, const char* switchText);
void ExtractOutPath(const char* commandLine, OutPath& outPath);
// The device and software sections the command line selects (both when it names neither).
void SelectSections(const char* commandLine, bool* device, bool* software);
void OpenManual();
bool CreateObjects();
void RunReport(OutPath& outPath, bool device, bool software);
void DestroyObjects();

// Where the online manual lives.
extern const char kManualAddress[];
