#include "fuzz/fuzz_scratch.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include <pugixml.hpp>

#include "model/xml/unreadable_file.h"
#include "model/xml/xml_file.h"
#include "support/atomic_file.h"
#include "support/logger.h"

namespace fuzz {

void SilenceLog() {
  support::Logger::Instance().ReplaceSink([](std::string_view) {});
}

namespace {

// Memory-backed when the machine has /dev/shm: the loaders' file I/O then costs little per input.
std::filesystem::path ScratchBase() {
  std::error_code ec;
  if (std::filesystem::is_directory("/dev/shm", ec)) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

}  // namespace

ScratchFolder::ScratchFolder() : path_(ScratchBase() / ("kb-fuzz-" + std::to_string(::getpid()))) {
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path ScratchFolder::WriteInput(const std::string& name, std::string_view bytes) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
    std::filesystem::remove_all(entry.path(), ec);
  }
  const std::filesystem::path file = path_ / name;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) Fail("cannot write the fuzz input to the scratch folder");
  return file;
}

InputFile WriteInputFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  static ScratchFolder folder;
  const std::string_view bytes = AsText(data, size);
  return InputFile{folder.WriteInput(name, bytes), bytes};
}

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

bool IsMalformedXml(std::string_view bytes) {
  if (model::HoldsNoXmlContent(bytes)) return false;
  pugi::xml_document document;
  return !document.load_buffer(bytes.data(), bytes.size());
}

void CheckKeptWhenMalformed(const std::filesystem::path& file, std::string_view input) {
  if (!IsMalformedXml(input)) return;
  const auto kept = support::ReadWholeFile(model::KeptCopyPath(file, 0));
  if (!kept) Fail("a malformed file was not kept beside as .bad");
  if (*kept != input) Fail("the .bad copy differs from the malformed file");
}

std::string ReadOrFail(const std::filesystem::path& file) {
  auto bytes = support::ReadWholeFile(file);
  if (!bytes) Fail("a file the loader wrote cannot be read back");
  return std::move(*bytes);
}

}  // namespace fuzz
