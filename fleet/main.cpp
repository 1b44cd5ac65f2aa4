// sorvik-fleet: a folder of sorvik reports becomes one SQLite database, a page and CSV files.
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "fleet/csv.h"
#include "fleet/host.h"
#include "fleet/ingest.h"
#include "fleet/page.h"
#include "fleet/schema.h"

namespace {

constexpr int kExitRejected = 1;
constexpr int kExitFailure = 2;

int Usage() {
  std::cerr << "usage: sorvik-fleet ingest DB PATH... [--prune]\n"
               "       sorvik-fleet csv DB machines|software OUT.csv\n"
               "       sorvik-fleet html DB OUT.html\n";
  return kExitFailure;
}

std::unique_ptr<fleet::Database> Open(const std::string& path, fleet::Database::Mode mode) {
  std::string error;
  auto db = fleet::OpenFleetDatabase(fleet::DatabaseFileName(path), mode, &error);
  if (!db) std::cerr << "sorvik-fleet: " << path << ": " << error << "\n";
  return db;
}

int RunIngest(const std::vector<std::string>& args) {
  std::vector<std::filesystem::path> paths;
  bool prune = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--prune") {
      prune = true;
    } else if (args[i].size() > 1 && args[i][0] == '-' && args[i][1] == '-') {
      return Usage();
    } else {
      paths.push_back(fleet::PathFromUtf8(args[i]));
    }
  }
  if (paths.empty()) return Usage();
  auto db = Open(args[0], fleet::Database::Mode::kCreate);
  if (!db) return kExitFailure;
  int pruned = 0;
  fleet::IngestCounts counts = fleet::Ingest(*db, paths, prune, std::cerr, &pruned);
  if (prune) std::cout << "pruned: " << pruned << " reports of files gone\n";
  std::cout << "ingested: " << counts.added << " new, " << counts.updated << " updated, "
            << counts.unchanged << " unchanged, " << counts.rejected << " rejected" << std::endl;
  return counts.rejected > 0 ? kExitRejected : 0;
}

int RunCsv(const std::vector<std::string>& args) {
  if (args.size() != 3 || (args[1] != "machines" && args[1] != "software")) return Usage();
  auto db = Open(args[0], fleet::Database::Mode::kExisting);
  if (!db) return kExitFailure;
  std::string error;
  if (!fleet::WriteCsv(*db, args[1], args[2], &error)) {
    std::cerr << "sorvik-fleet: " << args[2] << ": " << error << "\n";
    return kExitFailure;
  }
  return 0;
}

int RunHtml(const std::vector<std::string>& args) {
  if (args.size() != 2) return Usage();
  auto db = Open(args[0], fleet::Database::Mode::kExisting);
  if (!db) return kExitFailure;
  std::string error;
  if (!fleet::WriteFleetPage(*db, args[1], &error)) {
    std::cerr << "sorvik-fleet: " << args[1] << ": " << error << "\n";
    return kExitFailure;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  fleet::PrepareHost();
  std::vector<std::string> words = fleet::Utf8Arguments(argc, argv);
  if (words.size() < 2) return Usage();
  std::string command = words[1];
  std::vector<std::string> args(words.begin() + 2, words.end());
  try {
    if (command == "ingest") return RunIngest(args);
    if (command == "csv") return RunCsv(args);
    if (command == "html") return RunHtml(args);
  } catch (const fleet::SqlError& e) {
    // The database failed under us (disk full, I/O error): every committed report stays.
    std::cerr << "sorvik-fleet: database: " << e.what() << "\n";
    return kExitFailure;
  } catch (const std::exception& e) {
    std::cerr << "sorvik-fleet: " << e.what() << "\n";
    return kExitFailure;
  }
  return Usage();
}
