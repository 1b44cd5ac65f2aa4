// ReadSmbiosIdentity over tables built here: the decoding a report relies on, and firmware
// tables that lie about their sizes and strings.
#include "sysid/smbios.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

typedef std::vector<BYTE> Bytes;

// A table as GetSystemFirmwareTable returns it: the header, then the structures in the order
// added. The header's length is the body's unless a test claims another.
struct Table {
  Table(BYTE major, BYTE minor) : major(major), minor(minor) {}

  // `fields` is the formatted area after type, length and handle.
  Table& Add(BYTE type, const Bytes& fields, const std::vector<std::string>& strings = {}) {
    Raw({type, static_cast<BYTE>(4 + fields.size()), 0x00, 0x10}).Raw(fields);
    for (const std::string& text : strings) Raw(Bytes(text.begin(), text.end())).Raw({0});
    return strings.empty() ? Raw({0, 0}) : Raw({0});
  }
  Table& Bios() { return Add(0, {1, 2, 0, 0xE0, 3, 0}, {"Vendor", "1.0", "01/02/2024"}); }
  Table& System(const Bytes& uuid) {
    Bytes fields = {1, 2, 0, 3};
    fields.insert(fields.end(), uuid.begin(), uuid.end());
    return Add(1, fields, {"Maker", "Model", "SN1"});
  }
  Table& Board() { return Add(2, {0, 0, 0, 1}, {"BSN"}); }
  Table& Chassis(BYTE type) { return Add(3, {0, type, 0, 0, 1}, {"Tag"}); }
  Table& End() { return Add(127, {}); }
  Table& Raw(const Bytes& bytes) {
    body.insert(body.end(), bytes.begin(), bytes.end());
    return *this;
  }
  Table& Claim(DWORD length) {
    claimed = length;
    claims = true;
    return *this;
  }
  Bytes Data() const {
    DWORD length = claims ? claimed : static_cast<DWORD>(body.size());
    Bytes data = {0, major, minor, 0};
    for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<BYTE>(length >> shift));
    data.insert(data.end(), body.begin(), body.end());
    return data;
  }

  BYTE major, minor;
  Bytes body;
  DWORD claimed = 0;
  bool claims = false;
};

const Bytes kUuid = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                     0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
const char kAll[] =
    "Maker|Model|SN1|33221100-5544-7766-8899-AABBCCDDEEFF|BSN|Desktop|Tag|Vendor|1.0|01/02/2024";

Table Full() { return Table(2, 8).Bios().System(kUuid).Board().Chassis(3).End(); }

std::string Summary(const SmbiosIdentity& id) {
  std::string summary = id.manufacturer;
  for (const char* text : {id.model, id.serialNumber, id.uuid, id.boardSerialNumber, id.chassisType,
                           id.assetTag, id.biosVendor, id.biosVersion, id.biosDate})
    summary += std::string("|") + text;
  return summary;
}

// Reads from a heap block of exactly `size` bytes, so that the sanitizer sees any byte past it.
bool Read(const Bytes& data, size_t size, SmbiosIdentity* id) {
  std::unique_ptr<BYTE[]> block(new BYTE[size ? size : 1]);
  if (size) std::memcpy(block.get(), data.data(), size);
  return ReadSmbiosIdentity(block.get(), static_cast<DWORD>(size), id);
}

struct Case {
  const char* name;
  Bytes data;
  bool read;
  std::string expected;
};

TEST(Smbios, DecodesAndSurvivesHostileTables) {
  Bytes full = Full().Data();
  Bytes noEnd = Table(2, 8).Bios().System(kUuid).Data();
  std::string longText(300, 'x'), blanksAtCut = std::string(254, 'y') + "    tail";
  const Case cases[] = {
      {"complete 2.8 table", full, true, kAll},
      {"3.0 turns the UUID too", Table(3, 0).System(kUuid).Data(), true,
       "Maker|Model|SN1|33221100-5544-7766-8899-AABBCCDDEEFF||||||"},
      {"2.5 keeps the stored order", Table(2, 5).System(kUuid).Data(), true,
       "Maker|Model|SN1|00112233-4455-6677-8899-AABBCCDDEEFF||||||"},
      {"UUID all 00", Table(2, 8).System(Bytes(16, 0x00)).Data(), true, "Maker|Model|SN1|||||||"},
      {"UUID all FF", Table(2, 8).System(Bytes(16, 0xFF)).Data(), true, "Maker|Model|SN1|||||||"},
      {"one byte short of a UUID", Table(2, 8).System(Bytes(15, 0x11)).Data(), true,
       "Maker|Model|SN1|||||||"},
      {"2.0 structure too short for a UUID", Table(2, 0).System({}).Data(), true,
       "Maker|Model|SN1|||||||"},
      {"lock bit masked", Table(2, 8).Chassis(0x89).Data(), true, "|||||Laptop|Tag|||"},
      {"last word", Table(2, 8).Chassis(36).Data(), true, "|||||Stick PC|Tag|||"},
      {"unknown chassis number, locked", Table(2, 8).Chassis(0x80 | 37).Data(), true,
       "|||||37|Tag|||"},
      {"chassis 0", Table(2, 8).Chassis(0).Data(), true, "|||||0|Tag|||"},
      {"blanks trimmed", Table(2, 8).Add(2, {0, 0, 0, 1}, {" \t BSN 2\t ", "x"}).Data(), true,
       "||||BSN 2|||||"},
      {"only blanks", Table(2, 8).Add(2, {0, 0, 0, 1}, {" \t "}).Data(), true, "|||||||||"},
      {"first of each type",
       Table(2, 8).Add(2, {1, 0, 0, 0}, {"Board maker"}).Board().Chassis(3).Chassis(9).Data(), true,
       "|||||Desktop|Tag|||"},
      {"text cut to the capacity", Table(2, 8).Add(2, {0, 0, 0, 1}, {longText}).Data(), true,
       "||||" + std::string(256, 'x') + "|||||"},
      {"no blanks left by the cut", Table(2, 8).Add(3, {0, 1, 0, 0, 1}, {blanksAtCut}).Data(), true,
       "|||||Other|" + std::string(254, 'y') + "|||"},
      {"string number past the strings",
       Table(2, 8).Add(2, {0, 0, 0, 2}, {"one"}).Chassis(3).Data(), true, "|||||Desktop|Tag|||"},
      {"field past the formatted area", Table(2, 8).Add(3, {0, 1}, {"one"}).Data(), true,
       "|||||Other||||"},
      {"end structure ends the table", Table(2, 8).End().Bios().Data(), true, "|||||||||"},
      {"no end structure", noEnd, true,
       "Maker|Model|SN1|33221100-5544-7766-8899-AABBCCDDEEFF||||Vendor|1.0|01/02/2024"},
      {"structure length under 4", Table(2, 8).Bios().Raw({5, 2, 0, 0}).Board().Data(), true,
       "|||||||Vendor|1.0|01/02/2024"},
      {"structure length past the end", Table(2, 8).Bios().Raw({2, 40, 0, 0, 0, 0, 0, 1}).Data(),
       true, "|||||||Vendor|1.0|01/02/2024"},
      {"strings never closed", Table(2, 8).Bios().Raw({2, 8, 0, 0, 0, 0, 0, 1, 'B', 0}).Data(),
       true, "|||||||Vendor|1.0|01/02/2024"},
      {"header claims more than given", Table(2, 8).Bios().Board().Claim(4096).Data(), true,
       "||||BSN|||Vendor|1.0|01/02/2024"},
      {"header claims less than given",
       Table(2, 8).Bios().Board().Claim(Table(2, 8).Bios().Data().size() - 8).Data(), true,
       "|||||||Vendor|1.0|01/02/2024"},
      {"header claims nothing", Full().Claim(0).Data(), true, "|||||||||"},
      {"header only", Table(2, 8).Data(), true, "|||||||||"},
      {"under a header", Bytes(full.begin(), full.begin() + 7), false, "|||||||||"},
      {"nothing", Bytes(), false, "|||||||||"},
  };
  for (const Case& c : cases) {
    SmbiosIdentity id;
    std::memset(&id, 'z', sizeof(id));
    EXPECT_EQ(Read(c.data, c.data.size(), &id), c.read) << c.name;
    EXPECT_EQ(Summary(id), c.expected) << c.name;
  }
}

// Every cut of a good table, as when the header claims more than the data holds: no byte past
// the cut is read (the sanitizer watches), and the answer is that of the whole structures
// before the cut, never a part of one.
TEST(Smbios, ACutTableReadsAsItsWholeStructures) {
  Bytes full = Full().Data();
  Table whole(2, 8);
  std::vector<Bytes> prefixes = {whole.Data(), whole.Bios().Data(), whole.System(kUuid).Data(),
                                 whole.Board().Data(), whole.Chassis(3).Data()};
  size_t complete = 0;
  for (size_t size = 8; size < full.size(); ++size) {
    while (complete + 1 < prefixes.size() && prefixes[complete + 1].size() <= size) ++complete;
    SmbiosIdentity cut, expected;
    EXPECT_TRUE(Read(full, size, &cut)) << size;
    Read(prefixes[complete], prefixes[complete].size(), &expected);
    EXPECT_EQ(Summary(cut), Summary(expected)) << size;
  }
}

}  // namespace
