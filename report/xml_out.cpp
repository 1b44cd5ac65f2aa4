#include "report/xml_out.h"

CXmlOut::CXmlOut() : File(nullptr) {}
CXmlOut::~CXmlOut() { CloseFile(); }
bool CXmlOut::OpenFile(const char*) { return false; }
bool CXmlOut::WriteText(int, const char*) { return false; }
bool CXmlOut::WriteElement(int, const char*, const char*) { return false; }
void CXmlOut::CloseFile() {}
void CXmlOut::EscapeText(const char*, char*) {}
bool CXmlOut::ToWide(const char*, WCHAR*, int) { return false; }
