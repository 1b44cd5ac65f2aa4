// The four section writers, between the collectors and the report writer.
#pragma once

bool WriteComputerSection();
bool WriteDeviceSection();
bool NormalizeRamSize(char* out, char* memoryText);
void WriteSoftwareSection();
bool WriteStatisticsSection();

// Counters of the software section, for the statistics.
extern int ApplicationCount;
extern int UpdateCount;
extern int ComponentCount;
extern int SoftwareTotal;
