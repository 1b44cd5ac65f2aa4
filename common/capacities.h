// The capacities of the system's text areas, each named once by what it holds. An area is
// declared `char area[kCapacity + 1]`: the capacity in characters, then the terminator. The
// helpers in common/ that take such an array work the capacity out from its type.
#pragma once

enum {
  // The registry.
  kKeyNameCapacity = 512,      // a subkey name as RegEnumKeyExA lists it
  kKeyPathCapacity = 512,      // a key path made from a pattern and a name or value
  kDeviceValueCapacity = 512,  // a device key's value: class, hardware key, instance path

  // The hardware fetchers.
  kDeviceListCapacity = 4096,          // a fetcher's answer text: a device or drive list
  kDescriptionCapacity = 4096,         // one device or printer description
  kProcessorTextCapacity = 4096,       // a processor key's value
  kProcessorIdentifierCapacity = 512,  // the identifier before the clock in a processor entry
  kDriveEntryCapacity = 80,            // one drive, or the summary, of the drive list
  kUnsigned64TextCapacity = 20,        // the digits of the largest 64-bit number
  kIntTextCapacity = 11,               // any int in "%d", "-2147483648" included

  // The section writers and the report.
  kElementValueCapacity = 2048,  // a value the section writers ask a collector for
  kReportLineCapacity = 2048,    // one line of markup a section writer formats
  kReportTextCapacity = 4096,    // a text on its way into the report, escaped
  kTagCapacity = 80,             // an element name
  kFilePathCapacity = 512,       // a file path: the report, the temporary file, /out:
  kTempFolderCapacity = 511,     // the temporary folder as GetTempPathA gives it
  kCreationTimeCapacity = 40,    // the report's creation time
  kSizeTextCapacity = 80,        // a size in megabytes as the disk element writes it

  // The software scan and its record file.
  kUninstallValueCapacity = 1024,  // an uninstall entry's value, written into a record
  kPackageValueCapacity = 512,     // a servicing package's value, or a part of its key name
  kRecordLineCapacity = 1024,      // the part of a record line that SWInfo splits into fields
  kInstallDateTextCapacity = 32,   // a package's install date as the record writes it

  // A software record's fields as SWInfo keeps them.
  kSoftwareNameCapacity = 256,
  kSoftwareVersionCapacity = 30,
  kSoftwarePublisherCapacity = 80,
  kSoftwareLocationCapacity = 256,
  kSoftwareRegisteredCapacity = 80,  // the registered company, and the owner
  kSoftwareProductIdCapacity = 80,
  kSoftwareInstallDateCapacity = 20,
  kSoftwareSizeCapacity = 20,

  // The identity and the operating system.
  kOsNameCapacity = 1024,           // the composed operating system name
  kServicePackTextCapacity = 128,   // the service pack text of the version record
  kEditionNameCapacity = 80,        // an edition name
  kProductTypeValueCapacity = 80,   // the NT product type value
  kProductIdValueCapacity = 512,    // the product id value
  kHostNameCapacity = 50,           // the host name as the address lookup asks for it
  kIdentityTextCapacity = 512,      // an address, computer name or user name being fetched
  kVersionNumberTextCapacity = 32,  // " major.minor" after an NT name read from the registry
  kSystemTextCapacity = 256,        // a text of the machine's firmware identity
  kDisplayVersionCapacity = 80,     // the feature release, "22H2"
  kBiosValueCapacity = 1024,        // a BIOS value of the NT registry, all its strings
};
