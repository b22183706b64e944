#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace kbtest {
namespace {

using namespace std::chrono_literals;

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, std::vector<std::string> environment, std::string logPath)
    : logPath_(std::move(logPath)) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  for (std::string& extra : environment) {
    const std::string name = extra.substr(0, extra.find('=') + 1);
    std::erase_if(env, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
    env.push_back(std::move(extra));
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> args = Pointers(argv);
  std::vector<char*> envp = Pointers(env);
  pid_t pid = -1;
  const int error = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    std::fprintf(stderr, "cannot start %s: %s\n", argv[0].c_str(), std::strerror(error));
    return;
  }
  pid_ = pid;
}

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::Running() {
  if (pid_ <= 0 || status_) return false;
  int status = 0;
  const pid_t done = ::waitpid(pid_, &status, WNOHANG);
  if (done == pid_) status_ = status;
  return !status_;
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (Running()) {
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(50ms);
  }
  return status_;
}

std::string ChildProcess::Log() const {
  std::ifstream file(logPath_);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::optional<std::size_t> ChildProcess::WaitForLog(const std::string& text, std::chrono::milliseconds limit,
                                                    std::size_t from) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (true) {
    const std::string log = Log();
    const std::size_t found = from <= log.size() ? log.find(text, from) : std::string::npos;
    if (found != std::string::npos) return found + text.size();
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(100ms);
  }
}

void ChildProcess::Stop() {
  if (!Running()) return;
  ::kill(pid_, SIGTERM);
  if (!WaitForExit(5s)) {
    ::kill(pid_, SIGKILL);
    WaitForExit(5s);
  }
}

std::optional<std::string> RunCommand(const std::vector<std::string>& argv) {
  std::vector<std::string> args = argv;
  std::vector<char*> pointers = Pointers(args);
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  pid_t pid = -1;
  const int error = ::posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  std::string output;
  if (error == 0) {
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) output.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(pipeFds[0]);
  if (error != 0) return std::nullopt;
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return output;
}

}  // namespace kbtest
