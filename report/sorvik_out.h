// CSorvikOut: the report file of a run: where it goes, how it is named, the root element,
// and the temporary software record file, which it alone makes and deletes.
#pragma once

#include "report/xml_out.h"

class CPcFetcher;

class CSorvikOut : public CXmlOut {
 public:
  enum { kCandidateCount = 100 };

  CSorvikOut();
  ~CSorvikOut() override;

  bool OpenReport(CPcFetcher* identity, char* outArgument);
  void CloseReport();

  bool GetExeFolder(char* output, int capacity);
  bool MakeTempFilePath(char* output, int capacity);
  bool MakeBaseName(CPcFetcher* identity, char* output, int capacity);
  bool MakeDefaultPath(CPcFetcher* identity);
  bool MakeOutPath(CPcFetcher* identity, char* outArgument);
  bool MakeTempFile();
  void FormatCreationTime(char (&output)[kCreationTimeCapacity + 1]);

  char LineBuffer[kReportTextCapacity + 1];
  char ReportPath[kFilePathCapacity + 1];

  // The record file made by OpenReport (MakeTempFile); empty when there is none.
  const char* TempFilePath() const { return tempFilePath_; }
  // Deletes the record file and forgets its name. The software section calls it once it has
  // read the file; CloseReport and the destructor call it for a run that did not get so far.
  void ReleaseTempFile();

 private:
  bool FindFreeName(CPcFetcher* identity, const char* folder);

  char tempFilePath_[kFilePathCapacity + 1];
};
