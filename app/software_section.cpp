#include "app/sections.h"

int ApplicationCount = 0;
int UpdateCount = 0;
int ComponentCount = 0;
int SoftwareTotal = 0;

void WriteSoftwareSection() {}
bool WriteStatisticsSection() { return false; }
