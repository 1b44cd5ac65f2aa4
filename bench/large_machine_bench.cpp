// Each section of a run on the large machine (bench/large_machine.h), as the Vista and as the
// XP generation: first the Win32 calls each section makes, by function (one pass; the numbers
// do not vary), then the time of each section and of the whole run (Google Benchmark).
//
//   large_machine_bench [--calls-only] [benchmark flags]
//
// The section writers are called directly, around one opened report, the way RunReport calls
// them; "run" is SorvikMain with the report path given, which is sorvik-replay without the
// profile load ("load" is that load alone).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/run.h"
#include "app/sections.h"
#include "bench/large_machine.h"
#include "platform/sim/machine.h"
#include "platform/sim/profile.h"
#include "report/sorvik_out.h"

namespace {

const char kOutLine[] = "/out:\"C:\\report.xml\"";

enum class Section { kComputer, kDevice, kSoftware, kRun };
const Section kSections[] = {Section::kComputer, Section::kDevice, Section::kSoftware,
                             Section::kRun};

const char* SectionName(Section section) {
  switch (section) {
    case Section::kComputer:
      return "computer";
    case Section::kDevice:
      return "device";
    case Section::kSoftware:
      return "software";
    case Section::kRun:
      return "run";
  }
  return "?";
}

struct Target {
  const char* name;
  bench::Generation generation;
  std::string profile;  // folder
  sim::Machine machine;
};

std::string g_root;
Target g_targets[] = {{"vista", bench::Generation::kVista, {}, {}},
                      {"xp", bench::Generation::kXp, {}, {}}};

long PeakRssKb() {
  rusage usage;
  std::memset(&usage, 0, sizeof usage);
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

bool Prepare(std::string* error) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "large-machine-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    *error = "no temporary folder";
    return false;
  }
  g_root = pattern;
  std::filesystem::create_directories(g_root + "/c");
  for (Target& target : g_targets) {
    target.profile = g_root + "/" + target.name;
    bench::LargeMachineCounts counts;
    if (!bench::WriteLargeMachine(target.profile, target.generation, bench::LargeMachineShape(),
                                  &counts, error) ||
        !sim::LoadProfile(target.profile, &target.machine, error))
      return false;
    target.machine.facts.driveFolders['C'] = g_root + "/c";
  }
  return true;
}

// The objects and the open report of one run, around the section writers.
class Session {
 public:
  Session() {
    CreateObjects();
    OutPath outPath;
    std::memset(outPath, 0, sizeof outPath);
    std::strcpy(outPath, "C:\\report.xml");
    opened_ = g_pOut != nullptr && g_pOut->OpenReport(g_pPcFetcher, outPath);
  }
  ~Session() {
    if (opened_) g_pOut->CloseReport();
    DestroyObjects();
  }
  bool opened() const { return opened_; }

 private:
  bool opened_ = false;
};

void RunSection(Section section) {
  switch (section) {
    case Section::kComputer:
      WriteComputerSection();
      break;
    case Section::kDevice:
      WriteDeviceSection();
      break;
    case Section::kSoftware:
      ApplicationCount = UpdateCount = ComponentCount = SoftwareTotal = 0;
      WriteSoftwareSection();
      WriteStatisticsSection();
      break;
    case Section::kRun:
      SorvikMain(kOutLine);
      break;
  }
}

// The calls of one pass of a section (the run's own session for "run").
sim::CallCounts CallsOf(Target& target, Section section, int* openHandles) {
  sim::Install(&target.machine);
  sim::CallCounts calls;
  if (section == Section::kRun) {
    target.machine.calls.clear();
    RunSection(section);
    calls = target.machine.calls;
  } else {
    Session session;
    target.machine.calls.clear();
    RunSection(section);
    calls = target.machine.calls;
  }
  *openHandles = target.machine.OpenHandleCount();
  sim::Install(nullptr);
  return calls;
}

void PrintCalls() {
  std::printf("Win32 calls by function, one pass of each section on the large machine\n");
  std::printf("(\"run\" is the whole program: every section plus the report's own calls)\n\n");
  for (Target& target : g_targets) {
    std::map<std::string, std::vector<long>> table;
    std::vector<int> handles;
    const size_t columns = sizeof kSections / sizeof kSections[0];
    for (size_t column = 0; column < columns; ++column) {
      int open = 0;
      for (const auto& call : CallsOf(target, kSections[column], &open)) {
        auto& row = table[call.first];
        row.resize(columns, 0);
        row[column] = call.second;
      }
      handles.push_back(open);
    }
    std::printf("| %s: function |", target.name);
    for (Section section : kSections) std::printf(" %s |", SectionName(section));
    std::printf("\n|---|");
    for (size_t column = 0; column < columns; ++column) std::printf("---:|");
    std::printf("\n");
    std::vector<long> registry(columns, 0), total(columns, 0);
    for (auto& row : table) {
      row.second.resize(columns, 0);
      std::printf("| %s |", row.first.c_str());
      for (size_t column = 0; column < columns; ++column) {
        std::printf(" %ld |", row.second[column]);
        total[column] += row.second[column];
        if (row.first.compare(0, 3, "Reg") == 0) registry[column] += row.second[column];
      }
      std::printf("\n");
    }
    std::printf("| registry calls |");
    for (long count : registry) std::printf(" %ld |", count);
    std::printf("\n| all calls |");
    for (long count : total) std::printf(" %ld |", count);
    std::printf("\n| keys left open |");
    for (int open : handles) std::printf(" %d |", open);
    std::printf("\n\n");
  }
  std::printf("peak RSS of this process with both machines loaded: %ld kB\n\n", PeakRssKb());
  std::fflush(stdout);
}

void BM_Section(benchmark::State& state, Target* target, Section section) {
  sim::Install(&target->machine);
  long registryCalls = 0;
  {
    std::unique_ptr<Session> session;  // "run" makes its own
    if (section != Section::kRun) session.reset(new Session);
    if (session != nullptr && !session->opened()) {
      state.SkipWithError("the report did not open");
      sim::Install(nullptr);
      return;
    }
    target->machine.calls.clear();
    for (auto _ : state) RunSection(section);
    for (const auto& call : target->machine.calls)
      if (call.first.compare(0, 3, "Reg") == 0) registryCalls += call.second;
  }
  sim::Install(nullptr);
  state.counters["registry_calls"] =
      benchmark::Counter(static_cast<double>(registryCalls), benchmark::Counter::kAvgIterations);
}

void BM_LoadProfile(benchmark::State& state, Target* target) {
  for (auto _ : state) {
    sim::Machine machine;
    std::string error;
    if (!sim::LoadProfile(target->profile, &machine, &error)) state.SkipWithError(error.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool callsOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--calls-only") == 0) {
      callsOnly = true;
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      --i;
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

  std::string error;
  if (!Prepare(&error)) {
    std::fprintf(stderr, "large_machine_bench: %s\n", error.c_str());
    return 1;
  }
  PrintCalls();
  if (!callsOnly) {
    for (Target& target : g_targets) {
      benchmark::RegisterBenchmark((std::string("load/") + target.name).c_str(), BM_LoadProfile,
                                   &target)
          ->Unit(benchmark::kMillisecond);
      for (Section section : kSections)
        benchmark::RegisterBenchmark(
            (std::string(SectionName(section)) + "/" + target.name).c_str(), BM_Section, &target,
            section)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
  }
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(g_root, ignored);
  return 0;
}
