#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

// The little that differs between Linux and Windows hosts, kept in one place.
namespace fleet {

struct FileFacts {
  std::uint64_t size = 0;
  std::int64_t mtime = 0;  // seconds since 1970
};

bool StatFile(const std::filesystem::path& path, FileFacts* facts);

enum class PathKind { kMissing, kFile, kFolder, kOther };
PathKind KindOf(const std::filesystem::path& path);

// Calls visit for every regular file below top, in every subfolder. Links to folders are not
// followed: no loops, and no way out of the share. A folder that can't be read is passed to
// unreadable with the reason, and the walk goes on.
void WalkFiles(
    const std::filesystem::path& top,
    const std::function<void(const std::filesystem::path&)>& visit,
    const std::function<void(const std::filesystem::path&, const std::string&)>& unreadable);

// The absolute form of a path, without "." and "..". Not std::filesystem's on Windows: MinGW's
// knows no UNC paths (\\server\share) and makes them paths on the current drive.
std::filesystem::path AbsolutePath(const std::filesystem::path& path, std::error_code& error);

// The form of an absolute path that the file APIs open at any length (Windows: "\\?\").
std::filesystem::path OpenablePath(const std::filesystem::path& path);

// Paths as the database, the messages and SQLite's open call hold them.
std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path PathFromUtf8(const std::string& utf8);

bool StderrIsTerminal();

// The program's arguments in UTF-8, whatever the host's code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Lets a console show the UTF-8 output and the progress line's escape sequence, and SQLite
// open database files at any path length.
void PrepareHost();

// The database's file name as SQLite's open call takes it: UTF-8, on Windows absolute in the
// form that opens past MAX_PATH.
std::string DatabaseFileName(const std::string& utf8_path);

}  // namespace fleet
