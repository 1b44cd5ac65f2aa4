// SWInfo: one software record line split into its nine fields.
#pragma once

class SWInfo {
 public:
  SWInfo();
  virtual ~SWInfo();

  int ParseLine(const char* line);
  int GetField(int index, char* output);
  int IsUpdate();
  void Clear();
  static void TrimLineEnd(char* text);
  static void MakeUpper(char* text);

  char Name[256 + 1];
  char Version[30 + 1];
  char Publisher[80 + 1];
  char Location[256 + 1];
  char RegisteredCompany[80 + 1];
  char RegisteredOwner[80 + 1];
  char ProductId[80 + 1];
  char InstallDate[20 + 1];
  char Size[20 + 1];
};
