#include "fleet/host.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fleet {

bool StatFile(const std::filesystem::path& path, FileFacts* facts) {
#ifdef _WIN32
  struct _stat64 st {};
  if (_wstat64(path.c_str(), &st) != 0) return false;
#else
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
#endif
  facts->size = static_cast<std::uint64_t>(st.st_size);
  facts->mtime = static_cast<std::int64_t>(st.st_mtime);
  return true;
}

std::string PathToUtf8(const std::filesystem::path& path) { return path.u8string(); }

std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::u8path(utf8);
}

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

}  // namespace fleet
