// The fault plan: which calls a rule matches, and which of them it makes fail.
#include "platform/sim/faults.h"

#include "platform/sim/internal.h"

namespace sim {

namespace {

bool ContainsNoCase(const std::string& text, const std::string& part) {
  if (part.size() > text.size()) return false;
  for (size_t start = 0; start + part.size() <= text.size(); ++start) {
    if (EqualNoCase(text.substr(start, part.size()), part)) return true;
  }
  return false;
}

bool Matches(const Fault& fault, const char* function, const FaultSubject& subject) {
  if (fault.function != function) return false;
  if (fault.writeLimit >= 0 && !subject.writing) return false;
  if (!fault.path.empty() && !ContainsNoCase(subject.path, fault.path)) return false;
  if (!fault.value.empty() &&
      (subject.value == nullptr || !EqualNoCase(subject.value, fault.value)))
    return false;
  return fault.index < 0 || fault.index == subject.index;
}

}  // namespace

bool CanFail(const std::string& function) {
  static const char* const kFunctions[] = {"RegOpenKeyExA", "RegEnumKeyExA",    "RegQueryValueExA",
                                           "GetTempPathA",  "GetTempFileNameA", "OpenPathA"};
  for (const char* name : kFunctions)
    if (function == name) return true;
  return false;
}

const Fault* PlannedFault(Machine& machine, const char* function, const FaultSubject& subject) {
  const Fault* failing = nullptr;
  for (Fault& fault : machine.faults) {
    if (!Matches(fault, function, subject)) continue;
    ++fault.matched;
    bool due = fault.matched >= fault.fromCall &&
               (fault.count <= 0 || fault.matched < fault.fromCall + fault.count);
    if (due && failing == nullptr) failing = &fault;
  }
  return failing;
}

}  // namespace sim
