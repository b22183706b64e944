#include "platform/linux/linux_process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/logger.h"
#include "support/text.h"

extern char** environ;

namespace platform::linux_backend {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    const char c = commandLine[i];
    if (c == '\\' && i + 1 < commandLine.size() && commandLine[i + 1] == '"') {
      current += '"';
      inArgument = true;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArgument) arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) arguments.push_back(std::move(current));
  return arguments;
}

bool LinuxProcessSystem::RunAndWait(const std::wstring& program, const std::wstring& commandLine,
                                    std::uint32_t& exitCode, std::uint32_t& error) {
  if (program.empty()) {
    error = ENOENT;
    return false;
  }
  const std::string path = support::WideToUtf8(program);
  std::vector<std::string> arguments = SplitCommandLine(support::WideToUtf8(commandLine));
  arguments.insert(arguments.begin(), path);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.data(), environ);
  if (spawned != 0) {
    error = static_cast<std::uint32_t>(spawned);
    support::LogFailure("posix_spawn", path + ": " + std::strerror(spawned));
    return false;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      error = static_cast<std::uint32_t>(errno);
      support::LogFailure("waitpid", std::strerror(errno));
      return false;
    }
  }
  exitCode = WIFEXITED(status) ? static_cast<std::uint32_t>(WEXITSTATUS(status))
                               : static_cast<std::uint32_t>(128 + WTERMSIG(status));
  return true;
}

bool LinuxProcessSystem::ExecutablePath(std::wstring& path, std::uint32_t& error) {
  std::string buffer(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length < 0 || static_cast<std::size_t>(length) >= buffer.size()) {
    error = static_cast<std::uint32_t>(length < 0 ? errno : ENAMETOOLONG);
    support::LogFailure("readlink /proc/self/exe", std::strerror(static_cast<int>(error)));
    return false;
  }
  buffer.resize(static_cast<std::size_t>(length));
  path = support::Utf8ToWide(buffer);
  return true;
}

bool LinuxProcessSystem::Is32BitOn64BitSystem(bool& answer, std::uint32_t&) {
  answer = false;
  return true;
}

}  // namespace platform::linux_backend
