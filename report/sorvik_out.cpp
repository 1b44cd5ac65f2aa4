#include "report/sorvik_out.h"

CSorvikOut::CSorvikOut() : LineBuffer(), ReportPath(), TempFilePath() {}
CSorvikOut::~CSorvikOut() {}
bool CSorvikOut::OpenReport(CPcFetcher*, char*) { return false; }
void CSorvikOut::CloseReport() {}
