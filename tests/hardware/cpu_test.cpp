// The processor description: up to four processor keys, three values in order of
// preference, the system-information fallback, and blank runs collapsed.
#include <string>
#include <vector>

#include "hardware/hw_fetcher.h"
#include "hardware_test_support.h"

namespace {

using hwtest::Answer;
using hwtest::Ask;

const char kProcessors[] = "Hardware\\Description\\System\\CentralProcessor\\";

// One processor key: which values it holds (empty text: the value is absent).
struct Processor {
  std::string name;
  std::string identifier;
  long clock;  // -1: no "~MHz"
  std::string vendor;
};

struct CpuCase {
  const char* what;
  std::vector<std::pair<int, Processor>> keys;
  std::string expected;
  long opens;  // processor keys tried
};

class CpuTest : public ::testing::TestWithParam<CpuCase> {};

TEST_P(CpuTest, DescribesTheProcessors) {
  const CpuCase& c = GetParam();
  sim::MachineBuilder builder;
  for (const auto& key : c.keys) {
    builder.Key(kProcessors + std::to_string(key.first));
    const Processor& p = key.second;
    if (!p.name.empty()) builder.String("ProcessorNameString", p.name);
    if (!p.identifier.empty()) builder.String("Identifier", p.identifier);
    if (p.clock >= 0) builder.Dword("~MHz", static_cast<DWORD>(p.clock));
    if (!p.vendor.empty()) builder.String("VendorIdentifier", p.vendor);
  }
  auto machine = builder.Build();
  sim::ScopedMachine installed(*machine);
  CHwFetcher fetcher;

  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetCpu), (Answer{true, c.expected})) << c.what;
  EXPECT_EQ(machine->calls["RegOpenKeyExA"], c.opens) << c.what;
  EXPECT_EQ(machine->OpenHandleCount(), 0) << c.what;
}

const Processor kP4{"Intel(R) Pentium(R) 4 CPU 3.00GHz", "x86 Family 15 Model 4", 2992,
                    "GenuineIntel"};
const Processor kAthlon{"AMD Athlon(tm) 64 Processor 3200+", "", -1, "AuthenticAMD"};

INSTANTIATE_TEST_SUITE_P(
    Processors, CpuTest,
    ::testing::Values(
        CpuCase{"two names, joined without blanks",
                {{0, kP4}, {1, kAthlon}},
                "Intel(R) Pentium(R) 4 CPU 3.00GHz;AMD Athlon(tm) 64 Processor 3200+",
                3},
        CpuCase{"identifier with clock",
                {{0, {"", "x86 Family 6 Model 8 Stepping 3", 733, "GenuineIntel"}}},
                "x86 Family 6 Model 8 Stepping 3 733 Mhz",
                2},
        CpuCase{"identifier without clock",
                {{0, {"", "x86 Family 5 Model 2", -1, "GenuineIntel"}}},
                "x86 Family 5 Model 2",
                2},
        CpuCase{
            "clock read as a signed number", {{0, {"", "x86", 0xFFFFFFFF, ""}}}, "x86 -1 Mhz", 2},
        CpuCase{"vendor only", {{0, {"", "", 500, "CyrixInstead"}}}, "CyrixInstead", 2},
        CpuCase{"a key without values adds nothing, not even a separator",
                {{0, {"", "", 500, ""}}, {1, kAthlon}, {2, {"", "", -1, ""}}},
                "AMD Athlon(tm) 64 Processor 3200+",
                4},
        CpuCase{"no value in any key", {{0, {"", "", -1, ""}}}, "", 2},
        CpuCase{"a gap ends the list",
                {{0, kAthlon}, {2, kP4}},
                "AMD Athlon(tm) 64 Processor 3200+",
                2},
        CpuCase{"at most four processors",
                {{0, kAthlon},
                 {1, kAthlon},
                 {2, kAthlon},
                 {3, kAthlon},
                 {4, kP4},
                 {5, kP4},
                 {6, kP4},
                 {7, kP4}},
                "AMD Athlon(tm) 64 Processor 3200+;AMD Athlon(tm) 64 Processor 3200+;"
                "AMD Athlon(tm) 64 Processor 3200+;AMD Athlon(tm) 64 Processor 3200+",
                4},
        CpuCase{"blank runs shrink to one, nothing trimmed, tabs kept",
                {{0, {"   Intel(R)  Xeon(TM)\t\tCPU   2.80GHz  ", "", -1, ""}},
                 {1, {"  Second", "", -1, ""}}},
                " Intel(R) Xeon(TM)\t\tCPU 2.80GHz ; Second",
                3}),
    [](const ::testing::TestParamInfo<CpuCase>& info) {
      return "Case" + std::to_string(info.index);
    });

TEST(CpuIdentifier, OnlyTheFirst512CharactersJoinTheClock) {
  std::string longIdentifier(600, 'i');
  auto machine = sim::MachineBuilder()
                     .Key(std::string(kProcessors) + "0")
                     .String("Identifier", longIdentifier)
                     .Dword("~MHz", 100)
                     .Build();
  sim::ScopedMachine installed(*machine);
  CHwFetcher fetcher;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetCpu).text, std::string(512, 'i') + " 100 Mhz");
}

TEST(CpuAnswer, IsCutAtTheCapacity) {
  auto machine = sim::MachineBuilder()
                     .Key(std::string(kProcessors) + "0")
                     .String("ProcessorNameString", "Intel(R)   Core(TM)2 CPU")
                     .Build();
  sim::ScopedMachine installed(*machine);
  CHwFetcher fetcher;
  char buffer[12];
  std::memset(buffer, '#', sizeof(buffer));
  EXPECT_TRUE(fetcher.GetCpu(buffer, 10));
  // Blanks are collapsed within the first 10 characters only, then the answer is cut there.
  EXPECT_EQ(std::string(buffer, 10), std::string("Intel(R) \0", 10));
  EXPECT_EQ(buffer[10], '#');
}

struct FallbackCase {
  WORD architecture;
  DWORD processorType;
  const char* expected;
};

class CpuFallbackTest : public ::testing::TestWithParam<FallbackCase> {};

TEST_P(CpuFallbackTest, NamesTheProcessorFromSystemInformation) {
  const FallbackCase& c = GetParam();
  auto machine = sim::MachineBuilder()
                     .With([&](sim::Facts& f) {
                       f.processorArchitecture = c.architecture;
                       f.processorType = c.processorType;
                     })
                     .Build();
  sim::ScopedMachine installed(*machine);
  CHwFetcher fetcher;
  EXPECT_EQ(Ask(fetcher, &CHwFetcher::GetCpu), (Answer{true, c.expected}));
  EXPECT_EQ(machine->calls["RegOpenKeyExA"], 1);
}

INSTANTIATE_TEST_SUITE_P(
    Architectures, CpuFallbackTest,
    ::testing::Values(FallbackCase{PROCESSOR_ARCHITECTURE_INTEL, 386, "Intel 386"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_INTEL, 486, "Intel 486"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_INTEL, 586, "Intel Pentium"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_INTEL, 686, "Unknown"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_MIPS, 4000, "MIPS"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_ALPHA, 21064, "ALPHA"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_PPC, 601, "PPC"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_SHX, 0, "Unknown"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_ARM, 0, "Unknown"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_IA64, 2200, "IA64"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_ALPHA64, 0, "Unknown"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_MSIL, 0, "Unknown"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_AMD64, 8664, "AMD64"},
                      FallbackCase{10, 0, "Unknown"},
                      FallbackCase{PROCESSOR_ARCHITECTURE_UNKNOWN, 0, "Unknown"}));

TEST(CollapseSpaces, WorksWithinTheCountOnly) {
  CHwFetcher fetcher;
  char text[16] = "a    b   c";
  fetcher.CollapseSpaces(text, 4);  // "a   " -> "a "
  EXPECT_EQ(std::string(text), "a ");
  EXPECT_EQ(std::string(text + 4), " b   c");  // beyond the count: untouched

  char whole[16] = "  x  y  ";
  fetcher.CollapseSpaces(whole, 15);
  EXPECT_EQ(std::string(whole), " x y ");
  for (int i = 5; i < 15; ++i) EXPECT_EQ(whole[i], '\0') << i;
}

}  // namespace
