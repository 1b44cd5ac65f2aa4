// Machine profiles: a folder that describes one Windows computer for the simulator.
//
//   PROFILE/machine.ini   the facts beside the registry (required)
//   PROFILE/*.reg         registry files, imported in name order after machine.ini
//
// machine.ini has "[section]" lines, "name = value" lines, blank lines and comment lines
// starting with ";" or "#". Names are matched without regard to case; an unknown section or
// name is an error, so a typo never passes silently. Values are trimmed; enclose a text in
// double quotes to keep blanks at its ends (or to give an empty text); inside quotes \xNN is
// the byte NN, for names holding control characters, quotes or line breaks. Numbers are decimal
// or 0x-hexadecimal; yes/no values also accept true/false and 1/0. Every name is optional: what
// is not given keeps the default of a plain Windows XP SP2 workstation (see Facts in facts.h).
//
//   [version]      works, extendedWorks (GetVersionExA with the basic / extended record),
//                  major, minor, build, platform (0 Win32s, 1 Windows 9x, 2 NT), csd,
//                  servicePackMajor, servicePackMinor, suiteMask, productType, serverR2
//                  (what GetSystemMetrics(SM_SERVERR2) returns)
//   [kernel32]     GetProductInfo, GetNativeSystemInfo, GlobalMemoryStatusEx,
//                  GetDiskFreeSpaceExA, GetSystemFirmwareTable (yes: the function exists),
//                  productInfoWorks, productInfoType
//   [smbios]       the table GetSystemFirmwareTable('RSMB') answers with (any name here gives
//                  the machine one; without, the call fails), described: version (2.8: from
//                  2.6 on the UUID's first three fields are stored little-endian), and the
//                  texts (empty: no string) manufacturer, model, serial (type 1; manufacturer
//                  also types 2 and 3), uuid (8-4-4-4-12 as Windows shows it; empty: all zero),
//                  boardSerial (type 2), chassisType (a number, lock bit 0x80 included),
//                  assetTag (type 3), biosVendor, biosVersion, biosDate (type 0); built into
//                  the structures of types 0, 1, 2, 3 and 127 with their strings. Or raw: the
//                  call's whole answer as hexadecimal bytes (header included), each raw line
//                  adding to it, for hostile tables. sizeChange: how many bytes the table
//                  grows (negative: shrinks) from the second call on
//   [processor]    architecture, nativeArchitecture, type, count, program64Bit (yes: the
//                  program is the x86_64 test build, which sees the 64-bit registry view)
//   [memory]       totalBytes (GlobalMemoryStatus caps it at 4 GB - 1)
//   [drive X:]     one section per drive letter: type (none, unknown, removable, fixed,
//                  remote, cdrom, ramdisk), sizeReadable, totalBytes, freeBytes,
//                  sectorsPerCluster, bytesPerSector, freeClusters, totalClusters (both
//                  default to the byte counts divided by the cluster size), folder (the
//                  host folder of the drive's files; relative to the profile folder)
//   [network]      socketsStart, hostName (gethostname fails for a caller's area without
//                  room for it and its terminator)
//   [resolver]     HOSTNAME = ADDRESS, ADDRESS...   (IPv4, in the resolver's order; names
//                  match in any case)
//   [identity]     computerName, computerNameWorks, userName, userNameWorks
//   [printer]      name, port (a name makes it the default printer)
//   [files]        modulePath, tempPath, tempPathWorks, tempFolderExists (no: sorvik-replay
//                  does not create the temporary folder)
//   [time]         localTime = YYYY-MM-DD HH:MM:SS[.mmm]  (the day of week is computed)
//   [text]         ansiCodePage: any ANSI code page of Windows (874, 1250 to 1258, and the
//                  double-byte 932, 936, 949, 950). 1252 and 1251 are built in; the others
//                  are read from their NLS file c_NNNN.nls (copied from the machine's
//                  System32, or Wine's) and the case table l_intl.nls that registry names
//                  fold by: first from the profile folder, then from /usr/share/wine/nls. A
//                  file in the profile folder wins over the built-in tables too. A missing
//                  file is an error naming it and both folders.
//   [registry]     dynData (no: the machine has no HKEY_DYN_DATA, as Windows NT)
//   [fault]        one rule of the fault plan per section (Fault in faults.h, which says
//                  what each failing function does): function (required: RegOpenKeyExA,
//                  RegEnumKeyExA, RegQueryValueExA, GetTempPathA, GetTempFileNameA,
//                  OpenPathA), error (a number or a name such as ERROR_ACCESS_DENIED,
//                  ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS, ERROR_FILE_NOT_FOUND), path (a part of
//                  the key path or Windows file path), value (a value name), index (a subkey
//                  index), from and count (which matching calls fail), writeLimit (the file
//                  opens, its writes fail after that many bytes)
//
// Windows paths reach host files through the drive folders: C:\out\r.xml is
// <folder of C:>/out/r.xml. C: without a folder is the working folder of the process; other
// letters without a folder have no files. Before the run sorvik-replay creates the program's
// folder and the temporary folder where their drives have host folders, as a real machine has
// them: started from an empty folder, it makes sorvik/ (the report goes next to
// C:\sorvik\sorvik.exe) and TEMP/.
//
// .reg files are REGEDIT4 (ANSI, in the machine's code page, double-byte characters included: a
// trail byte 0x5C is no backslash) or "Windows Registry Editor Version 5.00" (UTF-16LE with a
// byte-order mark). Either is read as regedit reads it, into UTF-16; names and texts are then
// converted to the ANSI code page as the ANSI registry functions return them, a character the
// code page lacks as its best fit or '?' (a key name that would gain a backslash is an error).
// Supported: [ROOT\path] with the roots HKEY_LOCAL_MACHINE (HKLM), HKEY_CURRENT_USER (HKCU) and
// HKEY_DYN_DATA, [-ROOT\path] deletion of a key with its subtree, "name"="text" with \\ and \"
// escapes, @ for the default value, dword:, hex: and hex(N): with "\" line continuation,
// "name"=- deletion, ";" comment lines and blank lines. Texts are stored with their terminator.
// A quoted text may go on over the next lines, as older regedit versions write a text with line
// breaks: the value holds CR LF for each, and a text never closed is an error at the line where
// it began. In a version 5 file hex(1), hex(2) and hex(7) data is UTF-16LE and is converted
// like the texts.
//
// A 64-bit machine's profile (nativeArchitecture = 9, AMD64) holds both registry views as a
// 64-bit regedit exports them: the 64-bit view of HKEY_LOCAL_MACHINE\SOFTWARE under its own
// path, the 32-bit view under HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node. The simulated program
// is 32-bit and reaches the second unless it asks for the 64-bit view, as on Windows.
//
// Errors never throw: the functions return false and an error text "FILE:LINE: what is
// wrong" (or "FILE: what is wrong" when no line is at fault).
//
// The .reg parser itself is platform/regfile, which sorvik-regvol (the e2e tests' importer
// under Wine) shares; `sorvik-replay --registry PROFILE` prints the registry a profile makes.
#pragma once

#include <string>

#include "platform/sim/machine.h"

namespace sim {

// Loads PROFILE/machine.ini and every PROFILE/*.reg into `machine`.
bool LoadProfile(const std::string& folder, Machine* machine, std::string* error);

// The parts, for tests: `fileName` names the text in errors; `baseFolder` is what relative
// drive folders are relative to.
bool ParseMachineIni(const std::string& text, const std::string& fileName,
                     const std::string& baseFolder, Machine* machine, std::string* error);
bool ImportRegText(const std::string& bytes, const std::string& fileName, UINT ansiCodePage,
                   Registry* registry, std::string* error);

}  // namespace sim
