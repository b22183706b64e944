#include "model/profiles/profile_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using model::ProfileNameProblem;

TEST(ProfileNameTest, NamesThatCannotNameAFolderOnAnySystemAreRefused) {
  const std::vector<std::wstring> taken = {L"Game", L"Profile 1"};
  const struct {
    std::wstring name;
    ProfileNameProblem problem;
  } cases[] = {
      {L"Work", ProfileNameProblem::kNone},
      {L"  Work \u3000", ProfileNameProblem::kNone},  // blanks around are trimmed
      {L"\u914d\u7f6e 2", ProfileNameProblem::kNone},
      {L"", ProfileNameProblem::kEmpty},
      {L"   ", ProfileNameProblem::kEmpty},
      {std::wstring(65, L'x'), ProfileNameProblem::kTooLong},
      {std::wstring(64, L'x'), ProfileNameProblem::kNone},
      {L"a/b", ProfileNameProblem::kForbiddenCharacter},
      {L"a\\b", ProfileNameProblem::kForbiddenCharacter},
      {L"what?", ProfileNameProblem::kForbiddenCharacter},
      {L"tab\there", ProfileNameProblem::kForbiddenCharacter},
      {L".hidden", ProfileNameProblem::kForbiddenCharacter},
      {L"end.", ProfileNameProblem::kForbiddenCharacter},
      {L"CON", ProfileNameProblem::kReservedName},
      {L"nul.txt", ProfileNameProblem::kReservedName},
      {L"Com7", ProfileNameProblem::kReservedName},
      {L"COM10", ProfileNameProblem::kNone},
      {L"console", ProfileNameProblem::kNone},
      {L"gAME", ProfileNameProblem::kTaken},
      {L"profile 1", ProfileNameProblem::kTaken},
  };
  for (const auto& c : cases) EXPECT_EQ(model::CheckProfileName(c.name, taken), c.problem) << std::string(c.name.begin(), c.name.end());
}

TEST(ProfileNameTest, OrderAndFreeNamesAreAsAUserExpects) {
  std::vector<std::wstring> names = {L"profile 10", L"Profile 2", L"apex", L"Profile 1", L"Zelda"};
  std::sort(names.begin(), names.end(), model::ProfileNameLess);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"apex", L"Profile 1", L"Profile 2", L"profile 10", L"Zelda"}));
  EXPECT_EQ(model::FreeVariantOf(L"Game", {L"game", L"Game (2)"}), L"Game (3)");
  EXPECT_EQ(model::FreeVariantOf(L"Work", {L"Game"}), L"Work");
}

}  // namespace
