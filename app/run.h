// The entry point's control flow: command line, collector set-up, run sequence.
#pragma once

enum { kOutPathCapacity = 512 };

// The whole run for a command line as Windows hands it to a windowed program (the text
// after the program's own name). Always returns 0.
int SorvikMain(const char* commandLine);

bool HasSwitch(const char* commandLine, const char* switchText);
void ExtractOutPath(const char* commandLine, char* outPath);  // outPath: 512 + 1
// The device and software sections the command line selects (both when it names neither).
void SelectSections(const char* commandLine, bool* device, bool* software);
void OpenManual();
bool CreateObjects();
void RunReport(char* outPath, bool device, bool software);
void DestroyObjects();

// Where the online manual lives.
extern const char kManualAddress[];
