#include "profiles/profile_service.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/atomic_file.h"
#include "tests/common/default_lighting_files.h"
#include "tests/profiles/profile_world.h"

namespace {

using profiles::ProfileResult;
using profilestest::ProfileWorld;
using profilestest::Record;

const model::KeyRecord kMacroRecord = Record(0x7003a, 0, 3, L"G1", {{0x70004, 1, 95, L"A"}, {0x70004, 0, 0, L"A"}});
const model::KeyRecord kShiftRecord = Record(0x70039, 1, 1, L"Left Shift", {{0x700e1, 0, 0, L""}});

// The first profile is what the program always kept: whatever happens in other profiles, its three
// files hold the same bytes as the stores of a build without profiles write for the same changes.
TEST(ProfileServiceTest, TheFirstProfileKeepsTheFilesAndBytesOfABuildWithoutProfiles) {
  ProfileWorld world;
  testsupport::TempFolder reference{"kb_reference"};
  model::RecordStore plainRecords;
  model::LedEffectStore plainEffects;
  model::SideModelStore plainSides;
  plainRecords.Load(reference / "record.xml");
  plainSides.Load(reference / "sidemodel.xml");
  plainEffects.Load(reference / "ledeffect.xml");
  for (auto [records, effects, sides] : {std::tuple{&world.records, &world.effects, &world.sides},
                                         std::tuple{&plainRecords, &plainEffects, &plainSides}}) {
    records->UpsertRecord(kMacroRecord);
    effects->SetSelected(5);
    sides->SetSelected(3);
  }

  ASSERT_EQ(world.service->Add(L"Game", false), ProfileResult::kDone);
  ASSERT_EQ(world.service->Switch(L"Game"), ProfileResult::kDone);
  world.records.UpsertRecord(kShiftRecord);
  world.effects.SetSelected(7);
  ASSERT_EQ(world.service->Switch(L""), ProfileResult::kDone);

  for (const char* name : {"record.xml", "ledeffect.xml", "sidemodel.xml"}) {
    EXPECT_EQ(world.Read(name), testsupport::ReadFileText(reference / name)) << name;
  }
  EXPECT_EQ(world.Read("profiles/Game/record.xml"),
            "<?xml version=\"1.0\"?>\n"
            "<record code=\"70039\" play=\"1\" type=\"1\" repeat=\"1\" name=\"F1\" group=\"Left Shift\">\n"
            "\t<item code=\"700e1\" state=\"0\" delay=\"0\" name=\"\" />\n"
            "</record>\n");
  EXPECT_EQ(world.Read("profiles/Game/sidemodel.xml"), testsupport::kDefaultSideModelFile);
  EXPECT_EQ(*world.records.Snapshot(), std::vector<model::KeyRecord>{kMacroRecord});
  EXPECT_EQ(world.effects.Selected(), 5);
  EXPECT_EQ(world.listener.switched, (std::vector<std::wstring>{L"Game", L""}));
}

// A profile is what its files say, not what the last one left: no record file is no records, and
// the effects its file does not cover have their defaults. The choice survives a restart.
TEST(ProfileServiceTest, ASwitchPutsOnlyTheProfilesOwnFilesInForceAndIsKeptForTheNextStart) {
  ProfileWorld world;
  world.records.UpsertRecord(kMacroRecord);
  world.effects.SetRecord(1, {.brightness = 1, .speed = 2, .deriction = 1, .selection = 2});
  ASSERT_EQ(world.service->Add(L"Game", true), ProfileResult::kDone);
  std::filesystem::remove(world.folder / "profiles/Game/record.xml");
  testsupport::WriteFileText(world.folder / "profiles/Game/ledeffect.xml",
                             "<?xml version=\"1.0\"?>\n<effect sel=\"3\"><item speed=\"4\"/></effect>\n");

  ASSERT_EQ(world.service->Switch(L"Game"), ProfileResult::kDone);
  EXPECT_TRUE(world.records.Snapshot()->empty());
  EXPECT_EQ(world.effects.Selected(), 3);
  EXPECT_EQ(world.effects.RecordAt(0)->speed, 4);
  EXPECT_EQ(world.effects.RecordAt(1)->brightness, 5);  // the default, not the first profile's
  EXPECT_EQ(world.service->Switch(L"Gone"), ProfileResult::kNoSuchProfile);

  world.Start();
  EXPECT_EQ(world.service->Active(), L"Game");
  EXPECT_TRUE(world.records.Snapshot()->empty());
  std::filesystem::remove_all(world.folder / "profiles/Game");
  world.Start();
  EXPECT_EQ(world.service->Active(), L"");  // a profile that went away: the first one
}

TEST(ProfileServiceTest, AddRenameAndRemoveKeepFilesRulesAndTheActiveProfileInStep) {
  ProfileWorld world;
  world.records.UpsertRecord(kMacroRecord);
  ASSERT_EQ(world.service->Add(L"Game", true), ProfileResult::kDone);
  EXPECT_EQ(world.Read("profiles/Game/record.xml"), world.Read("record.xml"));
  EXPECT_EQ(world.service->Add(L"game", false), ProfileResult::kNameTaken);
  EXPECT_EQ(world.service->Add(L"profile 1", false), ProfileResult::kNameTaken);  // the first's default name
  EXPECT_EQ(world.service->Add(L"a:b", false), ProfileResult::kNameForbiddenCharacter);
  world.settings.Change([](model::Settings& settings) {
    settings.defaultProfile = L"Game";
    settings.rules = {{L"Game", model::ProgramMatch::kName, L"game.exe"}, {L"", model::ProgramMatch::kName, L"x"}};
  });
  ASSERT_EQ(world.service->Switch(L"Game"), ProfileResult::kDone);

  ASSERT_EQ(world.service->Rename(L"Game", L"Arcade"), ProfileResult::kDone);
  EXPECT_FALSE(std::filesystem::exists(world.folder / "profiles/Game"));
  world.records.UpsertRecord(kShiftRecord);  // saves go to the folder's new place
  EXPECT_NE(world.Read("profiles/Arcade/record.xml").find("Left Shift"), std::string::npos);
  model::Settings settings = world.settings.Current();
  EXPECT_EQ(settings.activeProfile, L"Arcade");
  EXPECT_EQ(settings.defaultProfile, L"Arcade");
  EXPECT_EQ(settings.rules[0].profile, L"Arcade");
  ASSERT_EQ(world.service->Rename(L"", L"Everyday"), ProfileResult::kDone);
  EXPECT_EQ(world.settings.Current().firstProfileName, L"Everyday");
  EXPECT_EQ(world.service->FindByName(L"everyday"), std::optional<std::wstring>(L""));

  EXPECT_EQ(world.service->Remove(L""), ProfileResult::kFirstProfile);
  ASSERT_EQ(world.service->Remove(L"Arcade"), ProfileResult::kDone);
  EXPECT_EQ(world.service->Active(), L"");
  EXPECT_EQ(*world.records.Snapshot(), std::vector<model::KeyRecord>{kMacroRecord});
  EXPECT_FALSE(std::filesystem::exists(world.folder / "profiles/Arcade"));
  settings = world.settings.Current();
  EXPECT_EQ(settings.defaultProfile, L"");
  EXPECT_EQ(settings.rules, (std::vector<model::ProgramRule>{{L"", model::ProgramMatch::kName, L"x"}}));
}

// The export file, exactly: records, both lighting files and the groups the records name.
TEST(ProfileServiceTest, ExportWritesRecordsLightingAndTheGroupsTheRecordsUse) {
  ProfileWorld world;
  world.macros.ReplaceGroups({{L"G1", {{0x70004, 1, 95, L"A"}, {0x70004, 0, 0, L"A"}}}, {L"Unused", {}}});
  world.records.UpsertRecord(kMacroRecord);
  world.records.UpsertRecord(kShiftRecord);
  ASSERT_EQ(world.service->Export(L"", world.folder / "out.xml"), ProfileResult::kDone);

  auto nested = [](std::string file) {  // a lighting file's element, two levels down
    file.erase(0, file.find('\n') + 1);
    std::string indented;
    for (std::size_t start = 0; start < file.size();) {
      const std::size_t end = file.find('\n', start);
      indented += "\t\t" + file.substr(start, end - start + 1);
      start = end + 1;
    }
    return indented;
  };
  EXPECT_EQ(world.Read("out.xml"),
            "<?xml version=\"1.0\"?>\n"
            "<kbprofile version=\"1\" name=\"Profile 1\">\n"
            "\t<records>\n"
            "\t\t<record code=\"7003a\" play=\"3\" type=\"0\" repeat=\"1\" name=\"F1\" group=\"G1\">\n"
            "\t\t\t<item code=\"70004\" state=\"1\" delay=\"95\" name=\"A\" />\n"
            "\t\t\t<item code=\"70004\" state=\"0\" delay=\"0\" name=\"A\" />\n"
            "\t\t</record>\n"
            "\t\t<record code=\"70039\" play=\"1\" type=\"1\" repeat=\"1\" name=\"F1\" group=\"Left Shift\">\n"
            "\t\t\t<item code=\"700e1\" state=\"0\" delay=\"0\" name=\"\" />\n"
            "\t\t</record>\n"
            "\t</records>\n"
            "\t<lighting>\n" +
                nested(testsupport::kDefaultLedEffectFile) +
                "\t</lighting>\n"
                "\t<sidelight>\n" +
                nested(testsupport::kDefaultSideModelFile) +
                "\t</sidelight>\n"
                "\t<macro>\n"
                "\t\t<group name=\"G1\">\n"
                "\t\t\t<item code=\"458756\" state=\"1\" delay=\"95\" name=\"A\" />\n"
                "\t\t\t<item code=\"458756\" state=\"0\" delay=\"0\" name=\"A\" />\n"
                "\t\t</group>\n"
                "\t</macro>\n"
                "</kbprofile>\n");
}

// An import adds a profile and never writes over a group: one of the same name with other steps
// stays, and the imported one comes under a new name that its records then show.
TEST(ProfileServiceTest, ImportAddsAProfileAndNeverOverwritesAGroupOfTheSameName) {
  ProfileWorld source;
  source.macros.ReplaceGroups({{L"G1", kMacroRecord.steps}, {L"G2", {{0x70005, 1, 1, L"B"}}}});
  source.records.UpsertRecord(kMacroRecord);
  source.records.UpsertRecord(Record(0x7003b, 0, 2, L"G2", {{0x70005, 1, 1, L"B"}}));
  source.effects.SetSelected(5);
  const std::filesystem::path file = source.folder / "Profile.xml";
  ASSERT_EQ(source.service->Export(L"", file), ProfileResult::kDone);

  ProfileWorld target;
  target.macros.ReplaceGroups({{L"G1", {{0x70006, 1, 1, L"C"}}}, {L"G2", {{0x70005, 1, 1, L"B"}}}});
  const profiles::ProfileService::ImportOutcome outcome = target.service->Import(file);
  ASSERT_EQ(outcome.result, ProfileResult::kDone);
  EXPECT_EQ(outcome.id, L"Profile 1 (2)");  // the first profile has the name
  EXPECT_EQ(outcome.renamedGroups, (std::vector<std::pair<std::wstring, std::wstring>>{{L"G1", L"G1 (2)"}}));
  ASSERT_EQ(target.macros.GroupCount(), 3);  // G2 was there already, step for step
  EXPECT_EQ(target.macros.GroupAt(0)->steps, (std::vector<model::MacroStep>{{0x70006, 1, 1, L"C"}}));
  EXPECT_EQ(target.macros.GroupAt(2)->name, L"G1 (2)");
  EXPECT_EQ(target.macros.GroupAt(2)->steps, kMacroRecord.steps);

  ASSERT_EQ(target.service->Switch(outcome.id), ProfileResult::kDone);
  model::KeyRecord renamed = kMacroRecord;
  renamed.group = L"G1 (2)";
  EXPECT_EQ((*target.records.Snapshot())[0], renamed);
  EXPECT_EQ(target.effects.Selected(), 5);

  testsupport::WriteFileText(target.folder / "other.xml", "<?xml version=\"1.0\"?>\n<macro/>\n");
  const auto refused = target.service->Import(target.folder / "other.xml");
  EXPECT_EQ(refused.result, ProfileResult::kNotAProfileFile);
  EXPECT_EQ(refused.error, "The file holds no profile.");
}

// The name inside an imported file is outside data: whatever it says, the profile's folder is a
// plain folder inside profiles/ that Windows can hold too.
TEST(ProfileServiceTest, AnImportedNameNeverLeavesTheProfilesFolder) {
  ProfileWorld world;
  const struct {
    const char* name;
    const wchar_t* id;
  } cases[] = {
      {"../../escape", L"_.._escape"},
      {"..\\..\\escape", L"_.._escape (2)"},
      {"C:\\Games\\x", L"C__Games_x"},
      {"a*b?c|d", L"a_b_c_d"},
      {"CON", L"Imported profile"},
      {"...", L"Imported profile (2)"},
      {"", L"Imported profile (3)"},
      {"Game&#9;.", L"Game_"},
  };
  for (const auto& c : cases) {
    const std::filesystem::path file = world.folder / "import.xml";
    testsupport::WriteFileText(file, std::string("<?xml version=\"1.0\"?>\n<kbprofile version=\"1\" name=\"") + c.name +
                                         "\">\n\t<records />\n</kbprofile>\n");
    const profiles::ProfileService::ImportOutcome outcome = world.service->Import(file);
    ASSERT_EQ(outcome.result, ProfileResult::kDone) << c.name;
    EXPECT_EQ(outcome.id, c.id) << c.name;
    EXPECT_TRUE(std::filesystem::is_directory(world.folder / "profiles" / outcome.id)) << c.name;
  }
  EXPECT_FALSE(std::filesystem::exists(world.folder / "escape"));
  EXPECT_FALSE(std::filesystem::exists(world.folder.Path().parent_path() / "escape"));
  EXPECT_EQ(testsupport::CountEntries(world.folder / "profiles"), std::size(cases));
}

TEST(ProfileServiceTest, SwitchesWaitWhileHeldAndTheLastOneAskedForHappens) {
  ProfileWorld world;
  ASSERT_EQ(world.service->Add(L"A", false), ProfileResult::kDone);
  ASSERT_EQ(world.service->Add(L"B", false), ProfileResult::kDone);
  {
    const auto hold = world.service->HoldSwitches();
    const auto inner = world.service->HoldSwitches();
    EXPECT_EQ(world.service->Switch(L"A"), ProfileResult::kDeferred);
    EXPECT_EQ(world.service->Switch(L"B"), ProfileResult::kDeferred);
  }
  EXPECT_EQ(world.service->Active(), L"B");
  EXPECT_EQ(world.listener.switched, std::vector<std::wstring>{L"B"});
}

// A profile appears whole or not at all, and what a crash leaves of a change is never a profile.
TEST(ProfileServiceTest, CreationIsAllOrNothingAndLeftoversAreClearedAtStart) {
  ProfileWorld world;
  support::testing::FailNextAtomicWriteAfter(3);
  EXPECT_EQ(world.service->Add(L"Game", false), ProfileResult::kFilesFailed);
  EXPECT_EQ(testsupport::CountEntries(world.folder / "profiles"), 0u);
  std::filesystem::create_directories(world.folder / "profiles/.new-0000abcd");
  std::filesystem::create_directories(world.folder / "profiles/.gone-0000abcd/x");
  std::filesystem::create_directories(world.folder / "profiles/Work");
  EXPECT_EQ(world.service->Catalog().Ids(), (std::vector<std::wstring>{L"", L"Work"}));
  model::ProfileCatalog catalog(world.folder.Path());
  EXPECT_EQ(catalog.RemoveInterrupted(), 2);
  EXPECT_EQ(testsupport::CountEntries(world.folder / "profiles"), 1u);
}

}  // namespace
