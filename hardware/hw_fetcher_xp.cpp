#include "hardware/hw_fetcher_xp.h"

#include "common/registry.h"
#include "common/text.h"

// Only the first four instances of the model are looked at.
const DWORD kInstances = 4;

CHwFetcherXp::CHwFetcherXp() {}
CHwFetcherXp::~CHwFetcherXp() {}

bool CHwFetcherXp::GetMonitor(char* buffer, int capacity) {
  return WalkMonitorModel(nullptr, buffer, capacity);
}

// Only the first model key counts, and only its first four instances.
bool CHwFetcherXp::WalkMonitorModel(EntryReducer reduce, char* buffer, int capacity) {
  // Unlike the other walks, any failure ends the search.
  SubkeyWalk display(SubkeyWalk::kEndAtAnyFailure);
  if (!display.Open(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY",
                    KEY_ENUMERATE_SUB_KEYS))
    return AnswerNone(buffer, capacity);
  bool found = false;
  while (!found && display.Next()) found = !SameTextIgnoringCase(display.Name(), "default_monitor");
  if (!found) return AnswerNone(buffer, capacity);

  SubkeyWalk instances(SubkeyWalk::kSkipLongNames, kInstances);
  bool opened = instances.Open(display.Key(), display.Name(), KEY_ENUMERATE_SUB_KEYS);
  display.Close();
  if (!opened && !instances.Open(HKEY_LOCAL_MACHINE,
                                 "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\Default_Monitor",
                                 KEY_ENUMERATE_SUB_KEYS))
    return AnswerNone(buffer, capacity);

  EntryList entries(WorkText);
  while (instances.NextChild(KEY_QUERY_VALUE)) {
    char description[kDescriptionCapacity + 1];
    if (!ReadValueText(instances.Child(), "DeviceDesc", description)) continue;
    AddReduced(entries, description, reduce);
  }
  return AnswerList(entries, buffer, capacity);
}
