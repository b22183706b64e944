#pragma once
// Two versions of the contents of macro.xml, record.xml, ledeffect.xml and sidemodel.xml, for the
// test that kills the program in the middle of saving them.
#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace hardening {

inline constexpr std::array<const char*, 4> kDataFiles = {"macro.xml", "record.xml", "ledeffect.xml",
                                                          "sidemodel.xml"};

// Loads the four files from `folder` as the program does at start-up, and removes the temporary
// files of saves a kill interrupted, as the program does once it is the only instance. SaveVersion
// then saves `version` (0 or 1) of every file's contents there, one file after another, with one
// save per file (only the very first round, on files that do not exist yet, saves more often).
class SaveLoop {
 public:
  explicit SaveLoop(const std::filesystem::path& folder);
  ~SaveLoop();
  SaveLoop(const SaveLoop&) = delete;
  SaveLoop& operator=(const SaveLoop&) = delete;

  bool SaveVersion(int version);

 private:
  struct Stores;
  std::unique_ptr<Stores> stores_;
};

// The exact bytes of every data file at version 0 and 1, as SaveLoop writes them, keyed by file
// name. Saved in `scratch` (an empty folder). Empty texts when a save failed.
std::map<std::string, std::array<std::string, 2>> SavedVersions(const std::filesystem::path& scratch);

}  // namespace hardening
