// SWInfo: one software record line split into its nine fields.
#pragma once

#include "common/capacities.h"
#include "software/record_line.h"

class SWInfo {
 public:
  SWInfo();
  virtual ~SWInfo();

  int ParseLine(const char* line);
  int GetField(int index, char* output);
  int IsUpdate();
  void Clear();
  static void MakeUpper(char* text);

  char Name[kSoftwareNameCapacity + 1];
  char Version[kSoftwareVersionCapacity + 1];
  char Publisher[kSoftwarePublisherCapacity + 1];
  char Location[kSoftwareLocationCapacity + 1];
  char RegisteredCompany[kSoftwareRegisteredCapacity + 1];
  char RegisteredOwner[kSoftwareRegisteredCapacity + 1];
  char ProductId[kSoftwareProductIdCapacity + 1];
  char InstallDate[kSoftwareInstallDateCapacity + 1];
  char Size[kSoftwareSizeCapacity + 1];

 private:
  // The nine areas in the order of the line, each with the capacity its type carries.
  void GetAreas(RecordFieldArea (&areas)[kRecordFieldCount]);
};
