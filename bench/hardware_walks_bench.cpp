// Registry work and time of the device slots, called in the device section's order, on a
// machine with 1,000 driver services of three subkeys each.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "hardware/hw_fetcher_vista.h"
#include "hardware/hw_fetcher_xp.h"
#include "platform/sim/builder.h"

namespace {

std::unique_ptr<sim::Machine> LargeMachine() {
  sim::MachineBuilder b;
  const std::string services = "SYSTEM\\CurrentControlSet\\Services\\";
  const std::string devices = "SYSTEM\\CurrentControlSet\\Enum\\";
  const char* classes[] = {"Media", "Display", "Net", "SCSIAdapter", "USB", "System"};
  for (int i = 0; i < 1000; ++i) {
    std::string service = services + "svc" + std::to_string(i);
    std::string instance = "PCI\\VEN_" + std::to_string(i) + "\\1";
    b.Key(service + "\\Enum").String("0", instance).Dword("Count", 1);
    b.Key(service + "\\Parameters").Dword("Start", 3);
    b.Key(service + "\\Security").Raw("Security", REG_BINARY, sim::Bytes(20, 1));
    b.Key(devices + instance)
        .String("Class", classes[i % 6])
        .String("DeviceDesc", "@oem.inf;Device " + std::to_string(i))
        .String("LocationInformation", "PCI bus 1");
  }
  for (const char* service : {"Mouclass", "Kbdclass", "Modem"}) {
    b.Key(services + service + "\\Enum").String("0", std::string("ACPI\\") + service + "\\1");
    b.Key(devices + "ACPI\\" + service + "\\1").String("DeviceDesc", service);
  }
  b.Key(devices + "DISPLAY\\Default_Monitor\\1").String("DeviceDesc", "Generic");
  b.Key(devices + "DISPLAY\\SAM0001\\1").String("DeviceDesc", "monitor.inf;SyncMaster");
  return b.Build();
}

typedef bool (CHwFetcher::*Slot)(char*, int);
const Slot kSectionOrder[] = {
    &CHwFetcher::GetMonitor, &CHwFetcher::GetMouse,   &CHwFetcher::GetKeyboard,
    &CHwFetcher::GetCdrom,   &CHwFetcher::GetModem,   &CHwFetcher::GetVideo,
    &CHwFetcher::GetMedia,   &CHwFetcher::GetNetwork, &CHwFetcher::GetDefaultPrinter,
    &CHwFetcher::GetScsi,    &CHwFetcher::GetUsb};

template <class Fetcher>
void DeviceSlots(benchmark::State& state) {
  auto machine = LargeMachine();
  sim::ScopedMachine installed(*machine);
  Fetcher fetcher;
  char buffer[2049];
  for (auto _ : state) {
    for (Slot slot : kSectionOrder) {
      std::memset(buffer, 0, sizeof(buffer));
      benchmark::DoNotOptimize((fetcher.*slot)(buffer, 2048));
    }
  }
  const double runs = static_cast<double>(state.iterations());
  for (const char* call : {"RegOpenKeyExA", "RegEnumKeyExA", "RegQueryValueExA", "RegCloseKey"})
    state.counters[call] = static_cast<double>(machine->calls[call]) / runs;
  state.counters["openHandles"] = machine->OpenHandleCount();
}

BENCHMARK_TEMPLATE(DeviceSlots, CHwFetcherXp)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(DeviceSlots, CHwFetcherVista)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
