#include <cstring>

#include "app/elements.h"
#include "app/globals.h"
#include "app/sections.h"
#include "common/capacities.h"
#include "platform/files.h"
#include "platform/win32.h"
#include "report/sorvik_out.h"
#include "software/record_file.h"
#include "software/record_line.h"
#include "software/sw_fetcher.h"
#include "software/sw_info.h"

int ApplicationCount = 0;
int UpdateCount = 0;
int ComponentCount = 0;
int SoftwareTotal = 0;

namespace {

// The fields after the name, in the order the report has always had them.
const RecordField kReportOrder[] = {
    kRecordVersion, kRecordPublisher,         kRecordLocation,        kRecordInstallDate,
    kRecordSize,    kRecordRegisteredCompany, kRecordRegisteredOwner, kRecordProductId,
};

void WriteInstalled(const char* line) {
  if (g_pSwInfo->ParseLine(line) == 0) return;

  char value[kElementValueCapacity + 1];
  std::memset(value, 0, sizeof(value));
  g_pSwInfo->GetField(kRecordFields[kRecordName].number, value);

  // A system component's name carries the mark; an update keeps it.
  const char* type = "application";
  const char* name = value;
  if (g_pSwInfo->IsUpdate() == 1) {
    type = "update";
    ++UpdateCount;
  } else if (HasSystemComponentMark(value)) {
    type = "component";
    name = WithoutSystemComponentMark(value);
    ++ComponentCount;
  } else {
    ++ApplicationCount;
  }

  char startTag[kReportLineCapacity + 1];
  std::memset(startTag, 0, sizeof(startTag));
  wsprintfA(startTag, "<installed type=\"%s\">\n", type);
  g_pOut->WriteText(1, startTag);
  g_pOut->WriteElement(2, kRecordFields[kRecordName].element, name);

  for (RecordField field : kReportOrder) {
    std::memset(value, 0, sizeof(value));
    g_pSwInfo->GetField(kRecordFields[field].number, value);
    g_pOut->WriteElement(2, kRecordFields[field].element, value);
  }
  g_pOut->WriteText(1, "</installed>\n");
}

}  // namespace

void WriteSoftwareSection() {
  g_pOut->WriteText(0, "<software>\n");
  if (g_pSwFetcher->GetSoftwareList(g_pOut->TempFilePath(), true)) {
    ApplicationCount = 0;
    UpdateCount = 0;
    ComponentCount = 0;
    FILE* file = OpenPathA(g_pOut->TempFilePath(), "r");
    if (file != nullptr) {
      // Lines are taken whole: a long line is one record, not several pieces.
      {
        RecordLineReader reader(file);
        while (reader.Next()) WriteInstalled(reader.Line());
      }
      std::fclose(file);
      // Read: the report writer deletes it now rather than at the end of the run.
      g_pOut->ReleaseTempFile();
    }
  }
  g_pOut->WriteText(0, "</software>\n");
  SoftwareTotal = UpdateCount + ComponentCount + ApplicationCount;
}

bool WriteStatisticsSection() {
  const struct {
    const char* element;
    int count;
  } counts[] = {
      {"total", SoftwareTotal},
      {"numberOfApplication", ApplicationCount},
      {"numberOfUpdate", UpdateCount},
      {"numberOfComponent", ComponentCount},
  };
  g_pOut->WriteText(0, "<statistics>\n");
  for (const auto& count : counts) WriteNumberElement(1, count.element, count.count);
  return g_pOut->WriteText(0, "</statistics>\n");
}
