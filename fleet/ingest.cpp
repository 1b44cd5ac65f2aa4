#include "fleet/ingest.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "fleet/host.h"
#include "fleet/report_reader.h"
#include "fleet/report_store.h"

namespace fleet {
namespace {

namespace fs = std::filesystem;

// Reports are a few hundred kilobytes at most; anything this large is not one, and reading it
// would only let a user of the share exhaust the server's memory.
constexpr std::uint64_t kMaxReportBytes = 64ull << 20;

bool IsReportName(const fs::path& path) {
  std::string extension = PathToUtf8(path.extension());
  if (extension.size() != 4 || extension[0] != '.') return false;
  for (std::size_t i = 1; i < 4; ++i) {
    char c = extension[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != "xml"[i - 1]) return false;
  }
  return true;
}

// A test hook: SORVIK_FLEET_STOP_AFTER=N aborts the run after N committed reports, as a crash
// or a kill would.
int StopAfter() {
  const char* text = std::getenv("SORVIK_FLEET_STOP_AFTER");
  return text ? std::atoi(text) : 0;
}

// On a terminal, a line on stderr that counts the files of runs that last more than a second.
class Progress {
 public:
  Progress() : shown_(false), enabled_(StderrIsTerminal()), start_(Clock::now()), last_(start_) {}
  ~Progress() { Clear(); }

  void Update(const IngestCounts& counts) {
    if (!enabled_) return;
    Clock::time_point now = Clock::now();
    if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(200)) {
      return;
    }
    last_ = now;
    std::cerr << "\r" << counts.added << " new, " << counts.updated << " updated, "
              << counts.unchanged << " unchanged, " << counts.rejected << " rejected ..."
              << std::flush;
    shown_ = true;
  }

  void Clear() {
    if (shown_) std::cerr << "\r\x1b[K" << std::flush;
    shown_ = false;
  }

 private:
  using Clock = std::chrono::steady_clock;
  bool shown_;
  bool enabled_;
  Clock::time_point start_;
  Clock::time_point last_;
};

class IngestRun {
 public:
  IngestRun(Database& db, std::ostream& errors)
      : db_(db), store_(db), errors_(errors), stop_after_(StopAfter()) {}

  void AddPath(const fs::path& given);
  void Prune(const fs::path& folder);
  const IngestCounts& counts() const { return counts_; }
  int pruned() const { return pruned_; }

 private:
  void AddFolder(const fs::path& folder);
  void AddFile(const fs::path& path);
  bool ReadWhole(const fs::path& path, const FileFacts& facts, std::string* data,
                 std::string* reason);
  void Store(const std::string& utf8_path, const FileFacts& facts, const Report& report);
  void Reject(const fs::path& path, const std::string& reason);

  Database& db_;
  ReportStore store_;
  ReportReader reader_;
  std::ostream& errors_;
  Progress progress_;
  IngestCounts counts_;
  int committed_ = 0;
  int pruned_ = 0;
  int stop_after_;
};

void IngestRun::Reject(const fs::path& path, const std::string& reason) {
  progress_.Clear();
  // One line per file, even for a name with a line break in it.
  std::string name = PathToUtf8(path);
  for (char& c : name) {
    if (c == '\n' || c == '\r') c = '?';
  }
  errors_ << name << ": " << reason << "\n";
  ++counts_.rejected;
}

void IngestRun::AddPath(const fs::path& given) {
  std::error_code error;
  fs::path path = AbsolutePath(given, error);
  if (error) return Reject(given, error.message());
  PathKind kind = KindOf(path);
  if (kind == PathKind::kFolder) return AddFolder(path);
  if (kind == PathKind::kFile) return AddFile(path);
  Reject(path, kind == PathKind::kOther ? "not a file or folder" : "no such file or folder");
}

void IngestRun::AddFolder(const fs::path& top) {
  auto add_report = [this](const fs::path& path) {
    if (IsReportName(path)) AddFile(path);
  };
  auto unreadable = [this](const fs::path& folder, const std::string& reason) {
    Reject(folder, "can't be searched: " + reason);
  };
  WalkFiles(top, add_report, unreadable);
}

bool IngestRun::ReadWhole(const fs::path& path, const FileFacts& facts, std::string* data,
                          std::string* reason) {
  std::ifstream stream(OpenablePath(path), std::ios::binary);
  data->assign(static_cast<std::size_t>(facts.size), '\0');
  if (!stream || !stream.read(&(*data)[0], static_cast<std::streamsize>(data->size()))) {
    *reason = "can't be read";
    return false;
  }
  FileFacts after;
  if (stream.peek() != std::ifstream::traits_type::eof() || !StatFile(path, &after) ||
      after.size != facts.size || after.mtime != facts.mtime) {
    *reason = "changed while it was read";
    return false;
  }
  return true;
}

void IngestRun::AddFile(const fs::path& path) {
  progress_.Update(counts_);
  std::string utf8_path = PathToUtf8(path);
  FileFacts facts;
  if (!StatFile(path, &facts)) return Reject(path, "can't be read");
  std::optional<ReportStore::Known> known = store_.Find(utf8_path);
  if (known && known->size == static_cast<std::int64_t>(facts.size) &&
      known->mtime == facts.mtime) {
    ++counts_.unchanged;
    return;
  }
  if (facts.size > kMaxReportBytes) return Reject(path, "larger than 64 MB, not read");
  std::string data;
  std::string reason;
  Report report;
  if (!ReadWhole(path, facts, &data, &reason) ||
      !reader_.Read(data.data(), data.size(), &report, &reason)) {
    return Reject(path, reason);
  }
  Store(utf8_path, facts, report);
}

void IngestRun::Store(const std::string& utf8_path, const FileFacts& facts, const Report& report) {
  Transaction transaction(db_);
  // Asked again under the write lock: another run may have stored this file meanwhile.
  std::optional<ReportStore::Known> known = store_.Find(utf8_path);
  if (known && known->size == static_cast<std::int64_t>(facts.size) &&
      known->mtime == facts.mtime) {
    ++counts_.unchanged;
    return;
  }
  if (known) store_.Remove(known->id);
  store_.Insert(utf8_path, facts, report);
  transaction.Commit();
  ++(known ? counts_.updated : counts_.added);
  if (++committed_ == stop_after_) std::abort();
}

void IngestRun::Prune(const fs::path& given) {
  std::error_code error;
  fs::path folder = AbsolutePath(given, error);
  if (error || KindOf(folder) != PathKind::kFolder) return;
  std::string prefix = PathToUtf8(folder / "");
  Transaction transaction(db_);
  Statement under(db_, "SELECT id, path FROM reports WHERE substr(path, 1, ?) = ?");
  under.BindInt(1, static_cast<std::int64_t>(prefix.size())).BindText(2, prefix);
  std::vector<std::int64_t> gone;
  while (under.Step()) {
    fs::path path = PathFromUtf8(under.Text(1));
    if (KindOf(path) != PathKind::kFile) gone.push_back(under.Int(0));
  }
  for (std::int64_t id : gone) store_.Remove(id);
  transaction.Commit();
  pruned_ += static_cast<int>(gone.size());
}

}  // namespace

IngestCounts Ingest(Database& db, const std::vector<std::filesystem::path>& paths, bool prune,
                    std::ostream& errors, int* pruned) {
  IngestRun run(db, errors);
  for (const auto& path : paths) run.AddPath(path);
  if (prune) {
    for (const auto& path : paths) run.Prune(path);
  }
  if (pruned) *pruned = run.pruned();
  return run.counts();
}

}  // namespace fleet
