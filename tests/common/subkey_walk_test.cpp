// SubkeyWalk: which subkeys each ending and index limit admits, how many times the registry
// is asked, and that no key stays open.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "common/registry.h"
#include "platform/sim/builder.h"

namespace {

const char kParent[] = "SOFTWARE\\Walked";

// Index 1 holds a name one character longer than the name area; "C" does not open.
TEST(SubkeyWalkTest, EndingsLimitsAndChildren) {
  const SubkeyWalk::Ending kSkip = SubkeyWalk::kSkipLongNames;
  const DWORD kAll = SubkeyWalk::kEveryIndex;
  const std::string longName(kKeyNameCapacity + 1, 'B');
  // ending, index limit, whether the children are opened, the names seen, the calls asking
  const std::tuple<SubkeyWalk::Ending, DWORD, bool, std::vector<std::string>, long> cases[] = {
      {kSkip, kAll, false, {"A", "C", "D"}, 5},
      {SubkeyWalk::kEndAtAnyFailure, kAll, false, {"A"}, 2},
      {kSkip, 3, false, {"A", "C"}, 3},  // skipped indices count
      {kSkip, kAll, true, {"A", "D"}, 5},
  };
  for (const auto& [ending, limit, children, expected, calls] : cases) {
    SCOPED_TRACE(testing::PrintToString(expected));
    sim::MachineBuilder builder;
    for (const std::string& name : {std::string("A"), longName, std::string("C"), std::string("D")})
      builder.Key(std::string(kParent) + "\\" + name);
    sim::Machine& machine = builder.machine();
    machine.faults.push_back(sim::Fault("RegOpenKeyExA", ERROR_ACCESS_DENIED).Path("Walked\\C"));
    sim::ScopedMachine installed(machine);
    std::vector<std::string> seen;
    {
      SubkeyWalk walk(ending, limit);
      auto open = [&] { return walk.Open(HKEY_LOCAL_MACHINE, kParent, KEY_ENUMERATE_SUB_KEYS); };
      ASSERT_TRUE(open());
      while (children ? walk.NextChild(KEY_QUERY_VALUE) && walk.Child() : walk.Next())
        seen.push_back(walk.Name());
      EXPECT_FALSE(walk.Next());  // an ended walk does not ask again
      EXPECT_EQ(machine.calls["RegEnumKeyExA"], calls);
      EXPECT_EQ(machine.OpenHandleCount(), 1);                           // the parent alone
      ASSERT_TRUE(open() && walk.NextChild(KEY_QUERY_VALUE) && open());  // closes the child
      EXPECT_EQ(machine.OpenHandleCount(), 1);
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(machine.OpenHandleCount(), 0);
  }
}

}  // namespace
