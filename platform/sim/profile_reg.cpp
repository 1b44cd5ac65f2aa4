// .reg files imported into the machine's registry; the format is described in profile.h.
#include <string>
#include <vector>

#include "platform/regfile/regfile.h"
#include "platform/regfile/root_key.h"
#include "platform/sim/codepage.h"
#include "platform/sim/internal.h"
#include "platform/sim/profile.h"

namespace sim {

namespace {

class MachineCodePage : public regfile::CodePage {
 public:
  explicit MachineCodePage(UINT codePage) : codePage_(codePage) {}
  unsigned Number() const override { return codePage_; }
  std::u16string ToWide(const std::string& ansi) const override {
    return AnsiTextToWide(codePage_, ansi);
  }
  std::string ToAnsi(const std::u16string& wide) const override {
    return WideTextToAnsi(codePage_, wide);
  }

 private:
  UINT codePage_;
};

void Apply(const regfile::Operation& operation, Registry* registry) {
  HKEY root = regfile::RootKey(operation.root);
  switch (operation.action) {
    case regfile::Action::kCreateKey:
      registry->CreateKey(root, operation.path);
      break;
    case regfile::Action::kDeleteKey:
      registry->DeleteKey(root, operation.path);
      break;
    case regfile::Action::kSetValue:
      registry->SetValue(root, operation.path, operation.name, operation.type,
                         Bytes(operation.data.begin(), operation.data.end()));
      break;
    case regfile::Action::kDeleteValue:
      registry->DeleteValue(root, operation.path, operation.name);
      break;
  }
}

}  // namespace

bool ImportRegText(const std::string& bytes, const std::string& fileName, UINT ansiCodePage,
                   Registry* registry, std::string* error) {
  registry->SetCodePage(ansiCodePage);
  std::vector<regfile::Operation> operations;
  bool parsed = regfile::Parse(bytes, fileName, MachineCodePage(ansiCodePage), &operations, error);
  for (const regfile::Operation& operation : operations) Apply(operation, registry);
  return parsed;
}

}  // namespace sim
