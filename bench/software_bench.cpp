// The software section over a computer with 5,000 uninstall entries (3% of them duplicates):
// time, peak memory and registry calls; and the duplicate removal alone at growing sizes, to
// show that it stays linear.
//
//   software_bench [--profile-out=DIR] [benchmark flags]
//
// --profile-out writes the generated machine profile to DIR as well, for sorvik-replay.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/globals.h"
#include "app/sections.h"
#include "platform/sim/machine.h"
#include "platform/sim/profile.h"
#include "report/sorvik_out.h"
#include "software/sw_fetcher.h"
#include "software/sw_info.h"

namespace {

const int kEntries = 5000;
const int kDuplicateEvery = 33;  // about 3% of the entries repeat an earlier one

std::string Folder() {
  static std::string folder;
  if (folder.empty()) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "software-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder = pattern;
  }
  return folder;
}

std::string RegText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A profile as a support engineer would export it: machine.ini and one REGEDIT4 file.
void WriteProfile(const std::string& folder, int entries) {
  std::filesystem::create_directories(folder);
  std::ofstream ini(folder + "/machine.ini");
  ini << "; Generated: an XP workstation with " << entries << " uninstall entries.\n"
      << "[files]\ntempPath = C:\\\n";
  std::ofstream reg(folder + "/uninstall.reg", std::ios::binary);
  reg << "REGEDIT4\r\n\r\n";
  const char* const publishers[] = {"Example Soft", "Microsoft Corporation", "Example Corp",
                                    "Sample Systems GmbH"};
  for (int i = 0; i < entries; ++i) {
    // A duplicate repeats the values of an earlier entry under a key of its own.
    int source = (i % kDuplicateEvery == kDuplicateEvery - 1) ? i - 7 : i;
    char key[64];
    std::snprintf(key, sizeof key, "{%08X-0000-4000-8000-%012d}", i * 2654435761u, i);
    std::string name;
    if (source % 7 == 0)
      name = "Security Update for Windows XP (KB" + std::to_string(900000 + source) + ")";
    else
      name = "Example Product " + std::to_string(source) + " Professional Edition";
    reg << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" << key
        << "]\r\n"
        << "\"DisplayName\"=" << RegText(name) << "\r\n"
        << "\"DisplayVersion\"="
        << RegText(std::to_string(source % 13) + ".0." + std::to_string(source)) << "\r\n"
        << "\"Publisher\"=" << RegText(publishers[source % 4]) << "\r\n"
        << "\"InstallLocation\"="
        << RegText("C:\\Program Files\\Example\\Product " + std::to_string(source)) << "\r\n"
        << "\"InstallDate\"=" << RegText("2007" + std::to_string(1000 + source % 1200).substr(1))
        << "\r\n"
        << "\"UninstallString\"=" << RegText("MsiExec.exe /X" + std::string(key)) << "\r\n"
        << "\"EstimatedSize\"=dword:" << std::hex << (source * 37 + 100) << std::dec << "\r\n";
    if (source % 5 == 0) reg << "\"SystemComponent\"=dword:00000001\r\n";
    reg << "\r\n";
  }
}

long PeakRssKb() {
  rusage usage;
  std::memset(&usage, 0, sizeof usage);
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

long RegistryCalls(const sim::CallCounts& calls) {
  long total = 0;
  for (const auto& call : calls)
    if (call.first.compare(0, 3, "Reg") == 0) total += call.second;
  return total;
}

void BM_SoftwareSection(benchmark::State& state) {
  const std::string profile = Folder() + "/profile";
  WriteProfile(profile, kEntries);
  sim::Machine machine;
  std::string error;
  if (!sim::LoadProfile(profile, &machine, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  machine.facts.driveFolders['C'] = Folder();
  std::filesystem::create_directories(Folder() + "/TEMP");  // where the record file is made
  sim::Install(&machine);

  long registryCalls = 0;
  int installed = 0;
  for (auto _ : state) {
    machine.calls.clear();
    CSorvikOut out;
    out.OpenFile("C:\\report.xml");
    out.MakeTempFile();
    SWInfo info;
    CSwFetcher fetcher;
    g_pOut = &out;
    g_pSwInfo = &info;
    g_pSwFetcher = &fetcher;
    ApplicationCount = UpdateCount = ComponentCount = SoftwareTotal = 0;
    WriteSoftwareSection();
    WriteStatisticsSection();
    out.CloseFile();
    registryCalls = RegistryCalls(machine.calls);
    installed = SoftwareTotal;
  }
  g_pOut = nullptr;
  g_pSwInfo = nullptr;
  g_pSwFetcher = nullptr;
  sim::Install(nullptr);

  state.counters["entries"] = kEntries;
  state.counters["installed"] = installed;
  state.counters["registry_calls"] = static_cast<double>(registryCalls);
  state.counters["RegOpenKeyExA"] = static_cast<double>(machine.calls["RegOpenKeyExA"]);
  state.counters["RegQueryValueExA"] = static_cast<double>(machine.calls["RegQueryValueExA"]);
  state.counters["peak_rss_kb"] = static_cast<double>(PeakRssKb());
}
BENCHMARK(BM_SoftwareSection)->Unit(benchmark::kMillisecond);

// Duplicate removal alone: n lines of which every tenth repeats an earlier one.
void BM_RemoveDuplicateLines(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  std::string text;
  for (int i = 0; i < lines; ++i) {
    int source = (i % 10 == 9) ? i / 3 : i;
    text += "Example Product " + std::to_string(source) +
            "/11.0/2Example Soft/3C:\\Program Files\\Example/4/5/6/720070502/8" +
            std::to_string(source) + "\n";
  }
  sim::Machine machine;
  machine.facts.driveFolders['C'] = Folder();
  sim::Install(&machine);
  const std::string host = Folder() + "/dedupe.tmp";
  CSwFetcher fetcher;
  for (auto _ : state) {
    state.PauseTiming();
    std::ofstream(host, std::ios::binary | std::ios::trunc) << text;
    state.ResumeTiming();
    benchmark::DoNotOptimize(fetcher.RemoveDuplicateLines("C:\\dedupe.tmp"));
  }
  sim::Install(nullptr);
  state.SetComplexityN(lines);
  state.counters["peak_rss_kb"] = static_cast<double>(PeakRssKb());
}
BENCHMARK(BM_RemoveDuplicateLines)
    ->RangeMultiplier(4)
    ->Range(1000, 256000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--profile-out=", 14) == 0) {
      WriteProfile(argv[i] + 14, kEntries);
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      --i;
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(Folder(), ignored);
  return 0;
}
