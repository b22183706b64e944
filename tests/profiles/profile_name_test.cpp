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
    ProfileNameProblem problem;
    std::vector<std::wstring> names;
  } cases[] = {
      // Blanks around a name are trimmed; 64 characters are the most.
      {ProfileNameProblem::kNone,
       {L"Work", L"  Work \u3000", L"\u914d\u7f6e 2", std::wstring(64, L'x'), L"COM10", L"console"}},
      {ProfileNameProblem::kEmpty, {L"", L"   "}},
      {ProfileNameProblem::kTooLong, {std::wstring(65, L'x')}},
      {ProfileNameProblem::kForbiddenCharacter, {L"a/b", L"a\\b", L"what?", L"tab\there", L".hidden", L"end."}},
      {ProfileNameProblem::kReservedName, {L"CON", L"nul.txt", L"Com7"}},
      {ProfileNameProblem::kTaken, {L"gAME", L"profile 1"}},
  };
  for (const auto& c : cases) {
    for (const std::wstring& name : c.names) {
      EXPECT_EQ(model::CheckProfileName(name, taken), c.problem) << std::string(name.begin(), name.end());
    }
  }
}

TEST(ProfileNameTest, OrderAndFreeNamesAreAsAUserExpects) {
  std::vector<std::wstring> names = {L"profile 10", L"Profile 2", L"apex", L"Profile 1", L"Zelda"};
  std::sort(names.begin(), names.end(), model::ProfileNameLess);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"apex", L"Profile 1", L"Profile 2", L"profile 10", L"Zelda"}));
  EXPECT_EQ(model::FreeVariantOf(L"Game", {L"game", L"Game (2)"}), L"Game (3)");
  EXPECT_EQ(model::FreeVariantOf(L"Work", {L"Game"}), L"Work");
}

}  // namespace
