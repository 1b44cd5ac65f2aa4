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
  SubkeyWalk::Ending ending;
  DWORD indexLimit;
  bool openChildren;
  std::vector<std::string> expected;
  long enumCalls;
};

// Index 1 holds a name one character longer than the name area; "C" does not open.
TEST(SubkeyWalkTest, EndingsLimitsAndChildren) {
  const SubkeyWalk::Ending kSkip = SubkeyWalk::kSkipLongNames;
  const DWORD kAll = SubkeyWalk::kEveryIndex;
  const std::string longName(kKeyNameCapacity + 1, 'B');
  const WalkCase cases[] = {
      {kSkip, kAll, false, {"A", "C", "D"}, 5},
      {SubkeyWalk::kEndAtAnyFailure, kAll, false, {"A"}, 2},
      {kSkip, 3, false, {"A", "C"}, 3},  // skipped indices count
      {kSkip, kAll, true, {"A", "D"}, 5},
  };
  for (const WalkCase& test : cases) {
    SCOPED_TRACE(&test - cases);
    sim::MachineBuilder builder;
    for (const std::string& name : {std::string("A"), longName, std::string("C"), std::string("D")})
      builder.Key(std::string(kParent) + "\\" + name);
    sim::Machine& machine = builder.machine();
    machine.faults.push_back(sim::Fault("RegOpenKeyExA", ERROR_ACCESS_DENIED).Path("Walked\\C"));
    sim::ScopedMachine installed(machine);
    std::vector<std::string> seen;
    {
      SubkeyWalk walk(test.ending, test.indexLimit);
      ASSERT_TRUE(walk.Open(HKEY_LOCAL_MACHINE, kParent, KEY_ENUMERATE_SUB_KEYS));
      while (test.openChildren ? walk.NextChild(KEY_QUERY_VALUE) && walk.Child() : walk.Next())
        seen.push_back(walk.Name());
      EXPECT_FALSE(walk.Next());  // an ended walk does not ask again
    }
    EXPECT_EQ(seen, test.expected);
    EXPECT_EQ(machine.calls["RegEnumKeyExA"], test.enumCalls);
    EXPECT_EQ(machine.OpenHandleCount(), 0);
  }
}

}  // namespace
