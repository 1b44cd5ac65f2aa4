// A small fluent builder for simulated machines in unit tests:
//
//   auto machine = sim::MachineBuilder()
//                      .Key("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion")
//                      .String("ProductId", "55274-640-1234567-23456")
//                      .With([](sim::Facts& f) { f.computerName = "PC1"; })
//                      .Build();
//   sim::ScopedMachine installed(*machine);
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/sim/machine.h"

namespace sim {

class MachineBuilder {
 public:
  MachineBuilder() : machine_(new Machine) {}

  // Selects the key that the value calls below fill, creating it with every key on the way.
  MachineBuilder& Key(const std::string& path, HKEY root = HKEY_LOCAL_MACHINE) {
    root_ = root;
    path_ = path;
    machine_->registry.CreateKey(root, path);
    return *this;
  }
  MachineBuilder& String(const std::string& name, const std::string& text) {
    machine_->registry.SetString(root_, path_, name, text);
    return *this;
  }
  MachineBuilder& Dword(const std::string& name, DWORD number) {
    machine_->registry.SetDword(root_, path_, name, number);
    return *this;
  }
  MachineBuilder& Raw(const std::string& name, DWORD type, const Bytes& data) {
    machine_->registry.SetValue(root_, path_, name, type, data);
    return *this;
  }
  template <class Change>
  MachineBuilder& With(Change change) {
    change(machine_->facts);
    return *this;
  }
  Machine& machine() { return *machine_; }
  std::unique_ptr<Machine> Build() { return std::move(machine_); }

 private:
  std::unique_ptr<Machine> machine_;
  HKEY root_ = HKEY_LOCAL_MACHINE;
  std::string path_;
};

// Installs a machine for the lifetime of a scope.
class ScopedMachine {
 public:
  explicit ScopedMachine(Machine& machine) { Install(&machine); }
  ~ScopedMachine() { Install(nullptr); }
  ScopedMachine(const ScopedMachine&) = delete;
  ScopedMachine& operator=(const ScopedMachine&) = delete;
};

}  // namespace sim
