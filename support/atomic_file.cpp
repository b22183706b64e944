#include "support/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "support/logger.h"
#include "support/text.h"

namespace support {
namespace {

constexpr std::size_t kNoFault = static_cast<std::size_t>(-1);
std::atomic<std::size_t> g_failAfter{kNoFault};

std::filesystem::path TemporaryPathBeside(const std::filesystem::path& target) {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device{}();
  std::filesystem::path tmp = target;
  tmp += support::Format(".tmp-%08x-%u", salt, counter.fetch_add(1));
  return tmp;
}

std::string Describe(const std::filesystem::path& path, const char* what) {
  return WideToUtf8(path.wstring()) + ": " + what;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
  const std::filesystem::path tmp = TemporaryPathBeside(target);
  const std::size_t failAfter = g_failAfter.exchange(kNoFault);
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) {
      LogFailure("WriteFileAtomically(open)", Describe(tmp, std::strerror(errno)));
      return false;
    }
    const std::size_t toWrite = failAfter == kNoFault ? bytes.size() : std::min(failAfter, bytes.size());
    out.write(bytes.data(), static_cast<std::streamsize>(toWrite));
    out.flush();
    const bool written = out.good() && failAfter == kNoFault;
    out.close();
    if (!written || out.fail()) {
      LogFailure("WriteFileAtomically(write)",
                 Describe(tmp, failAfter == kNoFault ? std::strerror(errno) : "injected write failure"));
      std::error_code ignored;
      std::filesystem::remove(tmp, ignored);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(tmp, target, ec);
  if (ec) {
    LogFailure("WriteFileAtomically(rename)", Describe(target, ec.message().c_str()));
    std::error_code ignored;
    std::filesystem::remove(tmp, ignored);
    return false;
  }
  return true;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) {
    LogFailure("ReadWholeFile", Describe(path, std::strerror(errno)));
    return std::nullopt;
  }
  return std::move(content).str();
}

namespace testing {
void FailNextAtomicWriteAfter(std::size_t bytes) { g_failAfter.store(bytes); }
}  // namespace testing

}  // namespace support
