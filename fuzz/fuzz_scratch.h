#pragma once
// What every fuzz target shares: a scratch folder for loaders that read files, a quiet log, and a
// failure that libFuzzer reports as a crash.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace fuzz {

// Drops everything the program logs: a fuzz run would otherwise print a line per malformed input.
void SilenceLog();

// A folder of this process under the temporary directory, emptied before each input.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Empties the folder and writes `bytes` as `name` in it; returns the file's path.
  std::filesystem::path WriteInput(const std::string& name, std::string_view bytes);

 private:
  std::filesystem::path path_;
};

// Prints `what` and aborts, which libFuzzer records as a crash with the input that caused it.
[[noreturn]] void Fail(const char* what);
[[noreturn]] inline void Fail(const std::string& what) { Fail(what.c_str()); }

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzz

namespace fuzz {

// True when the loaders must treat `bytes` as a broken file: it holds something, but not
// well-formed XML.
bool IsMalformedXml(std::string_view bytes);

// After a loader read `file`, which held `input`: a malformed input must have been kept beside as
// <name>.bad with exactly its bytes.
void CheckKeptWhenMalformed(const std::filesystem::path& file, std::string_view input);

// The whole file, or Fail when it cannot be read.
std::string ReadOrFail(const std::filesystem::path& file);

// One input written as a loader's file.
struct InputFile {
  std::filesystem::path path;
  std::string_view bytes;
};

// Writes the input as `name` in this process's scratch folder (emptied first).
InputFile WriteInputFile(const std::string& name, const std::uint8_t* data, std::size_t size);

// Loads `input` into `store`; a malformed input must have been kept beside as <name>.bad.
template <typename Store>
bool LoadAndCheckKept(Store& store, const InputFile& input) {
  const bool loaded = store.Load(input.path);
  CheckKeptWhenMalformed(input.path, input.bytes);
  return loaded;
}

// `once` holds what it loaded from `file`: saving it, then loading and saving that into `twice`,
// must leave the file's bytes as the first save wrote them.
template <typename Store>
void CheckSecondSaveChangesNothing(Store& once, Store& twice, const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  if (!once.Save()) Fail(name + " could not be saved again");
  const std::string saved = ReadOrFail(file);
  if (!twice.Load(file) || !twice.Save() || ReadOrFail(file) != saved) {
    Fail(name + " changed in a second save and load");
  }
}

}  // namespace fuzz
