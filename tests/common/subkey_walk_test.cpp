// SubkeyWalk: which subkeys each ending and index limit admits, how many times the registry
// is asked, and that no key stays open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/registry.h"
#include "platform/sim/builder.h"

namespace {

const char kParent[] = "SOFTWARE\\Walked";

struct WalkCase {
  const char* label;
  SubkeyWalk::Ending ending;
  DWORD indexLimit;
  bool openChildren;
  std::vector<std::string> expected;
  long enumCalls;
};

TEST(SubkeyWalkTest, EndingsLimitsAndChildren) {
  // Index 1 holds a name one character longer than the name area; "C" does not open.
  const std::string longName(kKeyNameCapacity + 1, 'B');
  const WalkCase cases[] = {
      {"long names skipped",
       SubkeyWalk::kSkipLongNames,
       SubkeyWalk::kEveryIndex,
       false,
       {"A", "C", "D"},
       5},
      {"any failure ends", SubkeyWalk::kEndAtAnyFailure, SubkeyWalk::kEveryIndex, false, {"A"}, 2},
      {"skipped indices count", SubkeyWalk::kSkipLongNames, 3, false, {"A", "C"}, 3},
      {"children that do not open",
       SubkeyWalk::kSkipLongNames,
       SubkeyWalk::kEveryIndex,
       true,
       {"A", "D"},
       5},
  };
  for (const WalkCase& test : cases) {
    sim::MachineBuilder builder;
    for (const std::string& name : {std::string("A"), longName, std::string("C"), std::string("D")})
      builder.Key(std::string(kParent) + "\\" + name);
    sim::Machine& machine = builder.machine();
    machine.faults.push_back(sim::Fault("RegOpenKeyExA", ERROR_ACCESS_DENIED).Path("Walked\\C"));
    sim::ScopedMachine installed(machine);

    std::vector<std::string> seen;
    {
      SubkeyWalk walk(test.ending, test.indexLimit);
      ASSERT_TRUE(walk.Open(HKEY_LOCAL_MACHINE, kParent, KEY_ENUMERATE_SUB_KEYS)) << test.label;
      while (test.openChildren ? walk.NextChild(KEY_QUERY_VALUE) : walk.Next()) {
        if (test.openChildren) {
          EXPECT_NE(walk.Child(), nullptr) << test.label;
        }
        seen.push_back(walk.Name());
      }
      EXPECT_FALSE(walk.Next()) << test.label;  // an ended walk does not ask again
    }
    EXPECT_EQ(seen, test.expected) << test.label;
    EXPECT_EQ(machine.calls["RegEnumKeyExA"], test.enumCalls) << test.label;
    EXPECT_EQ(machine.OpenHandleCount(), 0) << test.label;
  }
}

}  // namespace
