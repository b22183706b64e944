#include "program_windows.h"

#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
#include <utility>

#include "line_reader.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win_api.h"

namespace fgtest {

namespace {

using platform::win32::UniqueHandle;

// Wine may take seconds to start a process on a busy machine.
constexpr auto kAnswerLimit = std::chrono::seconds(30);
constexpr UINT kMsgFront = WM_APP + 1;
constexpr wchar_t kOwnClass[] = L"kbconfig own test window";

std::filesystem::path OwnExecutable() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return std::filesystem::path(path);
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

LRESULT CALLBACK OwnProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kMsgFront) {
    SetForegroundWindow(window);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The executable of a program of this folder beside the running executable.
std::filesystem::path ProgramPath(const std::string& name) { return OwnExecutable().parent_path() / (name + ".exe"); }

}  // namespace

struct ProgramWindows::Desktop {};

struct ProgramWindows::Program {
  std::filesystem::path executable;
  std::uint64_t window = 0;
  // A started program:
  UniqueHandle process;
  UniqueHandle output;  // our end of its standard output
  UniqueHandle input;   // our end of its standard input
  std::unique_ptr<LineReader> lines;  // reads `output`, so declared (and destroyed) after it
  // The own window, on a thread of its own:
  std::thread ownThread;
  DWORD ownThreadId = 0;

  bool Tell(const std::string& command) {
    const std::string line = command + "\n";
    DWORD written = 0;
    if (!WriteFile(input.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) return false;
    const std::optional<std::string> answer = lines->Next(kAnswerLimit);
    return answer && *answer == "done";
  }

  ~Program() {
    if (ownThread.joinable()) {
      PostThreadMessageW(ownThreadId, WM_QUIT, 0, 0);
      ownThread.join();
    }
    input.Reset();  // the program ends at the end of its input
    if (process) {
      if (WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
      WaitForSingleObject(process.get(), INFINITE);
    }
    lines.reset();  // its output has ended with it
  }
};

ProgramWindows::ProgramWindows() = default;
ProgramWindows::~ProgramWindows() = default;

int ProgramWindows::Start(const std::string& name, const std::vector<std::string>& arguments, std::string& error) {
  auto program = std::make_unique<Program>();
  program->executable = ProgramPath(name);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE ends[4] = {};  // child's input, our input end, our output end, child's output
  const bool piped = CreatePipe(&ends[0], &ends[1], &inherit, 0) && CreatePipe(&ends[2], &ends[3], &inherit, 0);
  const DWORD pipeError = GetLastError();
  UniqueHandle childInput(ends[0]);
  UniqueHandle childOutput(ends[3]);
  program->input = UniqueHandle(ends[1]);
  program->output = UniqueHandle(ends[2]);
  if (!piped) {
    error = "CreatePipe failed: " + std::to_string(pipeError);
    return -1;
  }
  SetHandleInformation(program->input.get(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(program->output.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = childInput.get();
  startup.hStdOutput = childOutput.get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::wstring commandLine = Quoted(program->executable.wstring());
  for (const std::string& argument : arguments) commandLine += L" " + Quoted(std::wstring(argument.begin(), argument.end()));
  PROCESS_INFORMATION process{};
  const BOOL created = CreateProcessW(program->executable.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  const DWORD createError = GetLastError();
  childInput.Reset();
  childOutput.Reset();
  if (!created) {
    error = "CreateProcessW(" + program->executable.string() + ") failed: " + std::to_string(createError);
    return -1;
  }
  program->process = UniqueHandle(process.hProcess);
  const UniqueHandle thread(process.hThread);  // not needed: closed at once
  const HANDLE output = program->output.get();
  program->lines = std::make_unique<LineReader>([output](char* buffer, std::size_t size) -> std::size_t {
    DWORD read = 0;
    if (!ReadFile(output, buffer, static_cast<DWORD>(size), &read, nullptr)) return 0;
    return read;
  });
  const std::optional<std::string> first = program->lines->Next(kAnswerLimit);
  if (!first || first->rfind("window ", 0) != 0) {
    error = name + " did not tell its window";
    return -1;
  }
  program->window = std::strtoull(first->c_str() + 7, nullptr, 16);
  AllowSetForegroundWindow(process.dwProcessId);
  programs_.push_back(std::move(program));
  return static_cast<int>(programs_.size()) - 1;
}

int ProgramWindows::StartOwnWindow(std::string& error) {
  auto program = std::make_unique<Program>();
  program->executable = OwnExecutable();
  struct Created {
    HWND window;
    DWORD threadId;
    DWORD error;  // CreateWindowExW's, when it failed
  };
  std::promise<Created> created;
  std::future<Created> window = created.get_future();
  program->ownThread = std::thread([&created] {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = &OwnProcedure;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = kOwnClass;
    RegisterClassExW(&description);  // fails harmlessly when registered before
    const HWND own = CreateWindowExW(0, kOwnClass, L"kbconfig own test window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300,
                                     300, 320, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    created.set_value({own, GetCurrentThreadId(), own == nullptr ? GetLastError() : 0});
    if (own == nullptr) return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    DestroyWindow(own);
  });
  const auto [own, threadId, createError] = window.get();
  program->ownThreadId = threadId;
  if (own == nullptr) {
    error = "CreateWindowExW failed: " + std::to_string(createError);
    program->ownThread.join();
    return -1;
  }
  program->window = reinterpret_cast<std::uintptr_t>(own);
  programs_.push_back(std::move(program));
  return static_cast<int>(programs_.size()) - 1;
}

std::filesystem::path ProgramWindows::Executable(int index) const { return programs_.at(index)->executable; }

std::uint64_t ProgramWindows::Window(int index) const { return programs_.at(index)->window; }

bool ProgramWindows::BringToFront(int index) {
  Program& program = *programs_.at(index);
  if (program.ownThread.joinable()) {
    SendMessageW(reinterpret_cast<HWND>(program.window), kMsgFront, 0, 0);
    return true;
  }
  return program.Tell("front");
}

bool ProgramWindows::MoveInto(int index, std::uint64_t parent) {
  Program& program = *programs_.at(index);
  if (program.ownThread.joinable()) return false;
  char command[64];
  std::snprintf(command, sizeof command, "parent %llx", static_cast<unsigned long long>(parent));
  return program.Tell(command);
}

}  // namespace fgtest
