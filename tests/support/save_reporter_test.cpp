#include "support/save_reporter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using support::SaveResult;

// Steps: "+a" a save of a succeeds, "-a" one fails, "told a" the user heard of a otherwise,
// "take" the window thread takes what waits (expected: the files told, as "a b"). The window thread
// is woken once for each batch it finds waiting.
struct Step {
  std::string what;
  std::string told;
};

TEST(SaveReporterTest, EachFileIsToldOncePerRunOfFailures) {
  const std::vector<std::pair<const char*, std::vector<Step>>> cases = {
      {"repeated failures once, together with another file's",
       {{"-a", ""}, {"-a", ""}, {"-b", ""}, {"-a", ""}, {"take", "a b"}, {"-a", ""}, {"-b", ""}, {"take", ""}}},
      {"a success ends the run: the next failure is told again",
       {{"-a", ""}, {"take", "a"}, {"+a", ""}, {"-a", ""}, {"take", "a"}}},
      {"a failure a success overtook before it was told is dropped",
       {{"-a", ""}, {"-b", ""}, {"+a", ""}, {"take", "b"}}},
      {"told otherwise: silent until the file saves",
       {{"told a", ""}, {"-a", ""}, {"take", ""}, {"+a", ""}, {"-a", ""}, {"take", "a"}}},
  };
  for (const auto& [name, steps] : cases) {
    SCOPED_TRACE(name);
    int wakes = 0;
    int batches = 0;
    support::SaveReporter reporter([&wakes] { ++wakes; });
    for (const Step& step : steps) {
      if (step.what == "take") {
        std::string told;
        for (const SaveResult& failure : reporter.TakeUntold()) {
          told += (told.empty() ? "" : " ") + failure.file.string();
        }
        EXPECT_EQ(told, step.told);
        batches += told.empty() ? 0 : 1;
      } else if (step.what.starts_with("told ")) {
        reporter.MarkTold(step.what.substr(5));
      } else {
        const std::string file = step.what.substr(1);
        reporter.Report(step.what[0] == '+' ? SaveResult::Saved(file) : SaveResult::Failed(file, "No space"));
      }
    }
    EXPECT_EQ(wakes, batches);
  }
}

}  // namespace
