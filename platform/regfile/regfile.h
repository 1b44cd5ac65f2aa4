// Registry files as regedit reads them: REGEDIT4 (ANSI, in the machine's code page, double-byte
// characters included: a trail byte 0x5C is no backslash) or "Windows Registry Editor Version
// 5.00" (UTF-16LE with a byte-order mark), turned into the operations they stand for. The
// format and its errors are described in platform/sim/profile.h; the parser keeps no state of
// its own between files and includes no system header, so that the simulator and the Windows
// test tools read a file the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace regfile {

// The machine's ANSI code page, as the caller has it: the simulator's tables, or
// MultiByteToWideChar and WideCharToMultiByte on Windows.
class CodePage {
 public:
  virtual ~CodePage() = default;
  virtual unsigned Number() const = 0;  // 1252, 932, ...
  virtual std::u16string ToWide(const std::string& ansi) const = 0;
  // A character the code page lacks becomes its best fit or the default character.
  virtual std::string ToAnsi(const std::u16string& wide) const = 0;
};

enum class Root { kLocalMachine, kCurrentUser, kDynData };

// Registry value types that the parser gives (the others come as hex(N): numbers).
enum : uint32_t { kString = 1, kExpandString = 2, kBinary = 3, kDword = 4, kMultiString = 7 };

enum class Action { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };

// One step of an import. Names, paths and text data are in the code page, as the ANSI registry
// functions see them; a string's data holds its terminator, a dword's its four bytes.
struct Operation {
  Action action = Action::kCreateKey;
  Root root = Root::kLocalMachine;
  std::string path;  // below the root, "" for the root itself
  std::string name;  // the value's; "" for the default value
  uint32_t type = kBinary;
  std::string data;
  size_t line = 0;  // where the key or value starts in the file, from 1
};

// Parses a whole file. On a fault, returns false with "FILE:LINE: what is wrong" (or "FILE:
// what is wrong" when no line is at fault) and `operations` holds what came before it.
bool Parse(const std::string& bytes, const std::string& fileName, const CodePage& codePage,
           std::vector<Operation>* operations, std::string* error);

// The root's name as a key line writes it.
const char* RootName(Root root);

}  // namespace regfile
