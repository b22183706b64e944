#pragma once
// Keeps a data file the program could not read before anything is written over it.
#include <filesystem>
#include <string>

#include "model/xml/xml_file.h"

namespace model {

// How many copies of unreadable versions of one file are kept: <name>.bad, then <name>.bad.1 up
// to <name>.bad.9. With all taken, the last one is replaced.
inline constexpr int kKeptUnreadableCopies = 10;

// What became of a data file that could not be read.
struct UnreadableFileReport {
  enum class Fate {
    kNone,         // nothing to keep: the file was read, is missing, or holds no data
    kKept,         // a copy was made just now, as `copy`
    kAlreadyKept,  // the same bytes were kept as `copy` before
    kNotKept,      // no copy could be made: the file must not be written over
  };

  Fate fate = Fate::kNone;
  std::filesystem::path file;
  std::filesystem::path copy;  // where it is kept (kKept, kAlreadyKept)
  std::string reason;          // the system's message for why no copy could be made (kNotKept)

  // Whether the file may be written over: it is kept, or there was nothing to keep.
  bool MayReplace() const { return fate != Fate::kNotKept; }
};

// Copies `path` to the first free <name>.bad[.n] beside it and logs where it went. A copy with the
// same bytes already kept is not made again, so starting twice with one broken file keeps it once.
// A file that cannot even be read is moved there instead. A missing file, or one holding only an
// XML declaration, has nothing to keep; an empty one (0 bytes, as a power cut can leave it) is kept.
UnreadableFileReport PreserveUnreadableFile(const std::filesystem::path& path);

// Where copy `index` (0 for the first) of `path` is kept.
std::filesystem::path KeptCopyPath(const std::filesystem::path& path, int index);

// Keeps a data file its model could not read from being written over before a copy of it exists.
// The model's Load tells it what reading found; each of the model's saves asks it first.
class UnreadableFileGuard {
 public:
  // After reading `file`: one that is unreadable is kept beside (PreserveUnreadableFile).
  void AfterRead(const std::filesystem::path& file, XmlFileState state);
  // Whether a save may replace the file now. While a copy is owed, tries again to make one;
  // false, logged, as long as that fails (Report().reason then says why).
  bool MaySave();
  // What the last read found and did.
  const UnreadableFileReport& Report() const { return report_; }

 private:
  UnreadableFileReport report_;
};

}  // namespace model
