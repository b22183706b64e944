#include "reported_programs.h"

#include <algorithm>
#include <cwctype>

#include "support/path_text.h"

namespace fgtest {

std::function<void(const platform::ForegroundProgram&)> ReportedPrograms::Callback() {
  return [this](const platform::ForegroundProgram& program) {
    std::scoped_lock lock(mutex_);
    reports_.push_back(program);
    changed_.notify_all();
  };
}

bool ReportedPrograms::WaitFor(const std::function<bool(const platform::ForegroundProgram&)>& wanted,
                               std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] { return std::any_of(reports_.begin(), reports_.end(), wanted); });
}

std::vector<platform::ForegroundProgram> ReportedPrograms::Distinct() const {
  std::scoped_lock lock(mutex_);
  std::vector<platform::ForegroundProgram> distinct;
  for (const platform::ForegroundProgram& program : reports_) {
    if (distinct.empty() || !(distinct.back() == program)) distinct.push_back(program);
  }
  return distinct;
}

void ReportedPrograms::Clear() {
  std::scoped_lock lock(mutex_);
  reports_.clear();
}

bool SameExecutable(const platform::ForegroundProgram& program, const std::filesystem::path& executable) {
  const auto fold = [](std::wstring text) {
    for (wchar_t& c : text) c = c == L'\\' ? L'/' : static_cast<wchar_t>(std::towlower(c));
    return text;
  };
  return !program.executablePath.empty() &&
         fold(program.executablePath) == fold(support::PathToWide(std::filesystem::absolute(executable)));
}

}  // namespace fgtest
