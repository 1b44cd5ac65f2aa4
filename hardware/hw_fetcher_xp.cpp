#include "hardware/hw_fetcher_xp.h"

#include "common/registry.h"
#include "common/text.h"

namespace {

enum {
  kNameCapacity = 512,
  kDescriptionCapacity = 4096,
  kInstances = 4,
};

}  // namespace

CHwFetcherXp::CHwFetcherXp() {}
CHwFetcherXp::~CHwFetcherXp() {}

bool CHwFetcherXp::GetMonitor(char* buffer, int capacity) {
  return WalkMonitorModel(nullptr, buffer, capacity);
}

// Only the first model key counts, and only its first four instances.
bool CHwFetcherXp::WalkMonitorModel(EntryReducer reduce, char* buffer, int capacity) {
  KeyHolder display;
  if (!display.Open(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY",
                    KEY_ENUMERATE_SUB_KEYS))
    return AnswerNone(buffer, capacity);

  char modelName[kNameCapacity + 1];
  for (DWORD index = 0;; ++index) {
    // Unlike the other walks, any failure ends the search.
    if (EnumSubkey(display.Get(), index, modelName) != ERROR_SUCCESS)
      return AnswerNone(buffer, capacity);
    if (!SameTextIgnoringCase(modelName, "default_monitor")) break;
  }

  KeyHolder model;
  bool opened = model.Open(display.Get(), modelName, KEY_ENUMERATE_SUB_KEYS);
  display.Close();
  if (!opened &&
      !model.Open(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\Default_Monitor",
                  KEY_ENUMERATE_SUB_KEYS))
    return AnswerNone(buffer, capacity);

  EntryList entries(WorkText, kWorkCapacity);
  char instanceName[kNameCapacity + 1];
  for (DWORD index = 0; index < kInstances; ++index) {
    EnumStep step = NextEnumStep(EnumSubkey(model.Get(), index, instanceName));
    if (step == kEnumEnd) break;
    if (step == kEnumSkip) continue;
    char description[kDescriptionCapacity + 1];
    {
      KeyHolder instance;
      if (!instance.Open(model.Get(), instanceName, KEY_QUERY_VALUE)) continue;
      if (!ReadValueText(instance.Get(), "DeviceDesc", description, kDescriptionCapacity)) continue;
    }
    AddReduced(entries, description, reduce);
  }
  return AnswerList(entries, buffer, capacity);
}
