#pragma once
// The names of the lighting effects and side effects, as the main window's layout lists them in
// its two combo boxes ("cbx_color_effect", "cbx_side_color_effect"), in English or translated.
// The command line and the OpenRGB server name the effects as the window does.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/resources/translation_table.h"

namespace model {

struct EffectNames {
  std::vector<std::string> effects;  // item n is effect n (UTF-8)
  std::vector<std::string> sides;    // item n is side effect n

  // Effect `index`'s name, or "Effect <index>" when the layout lists none for it.
  std::string Effect(int index) const;
  std::string Side(int index) const;
};

// The items of both combo boxes in a layout's bytes. nullopt, with the reason in `error`, when
// the bytes are not well-formed or lack either combo box.
std::optional<EffectNames> ParseEffectNames(std::string_view layoutBytes, std::string& error);

// Every name that `table` translates, translated; the others stay English.
EffectNames TranslateEffectNames(const EffectNames& english, const TranslationTable& table);

// From a resource folder (uires/): the main window's layout, translated by the table `translator`
// ("lang_en", "lang_cn"; an unreadable table leaves the names English).
std::optional<EffectNames> LoadEffectNames(const std::filesystem::path& resourceFolder, std::string_view translator,
                                           std::string& error);

// The effect whose name matches `text` (case, blanks, '-' and '_' do not count; either list of
// names may match), or the index `text` spells; nullopt when none does.
std::optional<int> FindEffectByName(std::string_view text, const std::vector<std::string>& englishNames,
                                    const std::vector<std::string>& shownNames);

}  // namespace model
