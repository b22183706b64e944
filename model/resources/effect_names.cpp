#include "model/resources/effect_names.h"

#include <charconv>

#include <pugixml.hpp>

#include "model/resources/resource_index.h"
#include "support/atomic_file.h"

namespace model {

namespace {

pugi::xml_node FindCombo(const pugi::xml_node& node, std::string_view name) {
  for (pugi::xml_node widget : node.children("widget")) {
    if (std::string_view(widget.attribute("class").as_string()) == "QComboBox" &&
        name == widget.attribute("name").as_string()) {
      return widget;
    }
    if (pugi::xml_node found = FindCombo(widget, name)) return found;
  }
  // Layouts nest widgets inside <layout><item> too.
  for (pugi::xml_node child : node.children()) {
    if (std::string_view(child.name()) == "widget") continue;
    if (pugi::xml_node found = FindCombo(child, name)) return found;
  }
  return {};
}

std::vector<std::string> ItemTexts(const pugi::xml_node& combo) {
  std::vector<std::string> texts;
  for (pugi::xml_node item : combo.children("item")) {
    std::string text;
    for (pugi::xml_node property : item.children("property")) {
      if (std::string_view(property.attribute("name").as_string()) == "text") text = property.child_value("string");
    }
    texts.push_back(text);
  }
  return texts;
}

std::string Folded(std::string_view text) {
  std::string folded;
  for (char c : text) {
    if (c == ' ' || c == '-' || c == '_' || c == '\t') continue;
    folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return folded;
}

std::string NameAt(const std::vector<std::string>& names, int index, const char* fallback) {
  if (index >= 0 && static_cast<std::size_t>(index) < names.size() && !names[static_cast<std::size_t>(index)].empty()) {
    return names[static_cast<std::size_t>(index)];
  }
  return std::string(fallback) + " " + std::to_string(index);
}

}  // namespace

std::string EffectNames::Effect(int index) const { return NameAt(effects, index, "Effect"); }

std::string EffectNames::Side(int index) const { return NameAt(sides, index, "Side effect"); }

std::optional<EffectNames> ParseEffectNames(std::string_view layoutBytes, std::string& error) {
  pugi::xml_document document;
  if (!document.load_buffer(layoutBytes.data(), layoutBytes.size())) {
    error = "the main window's layout is not well-formed XML";
    return std::nullopt;
  }
  const pugi::xml_node effects = FindCombo(document.child("ui"), "cbx_color_effect");
  const pugi::xml_node sides = FindCombo(document.child("ui"), "cbx_side_color_effect");
  if (!effects || !sides) {
    error = "the main window's layout lacks the effect lists";
    return std::nullopt;
  }
  return EffectNames{ItemTexts(effects), ItemTexts(sides)};
}

EffectNames TranslateEffectNames(const EffectNames& english, const TranslationTable& table) {
  EffectNames translated = english;
  for (std::vector<std::string>* names : {&translated.effects, &translated.sides}) {
    for (std::string& name : *names) {
      if (const auto found = table.texts.find(name); found != table.texts.end()) name = found->second;
    }
  }
  return translated;
}

std::optional<EffectNames> LoadEffectNames(const std::filesystem::path& resourceFolder, std::string_view translator,
                                           std::string& error) {
  const std::optional<ResourceIndex> index = LoadResourceIndex(resourceFolder, error);
  if (!index) return std::nullopt;
  const auto layout = index->files.find(ResourceKey("LAYOUT:XML_MAINWND"));
  if (layout == index->files.end()) {
    error = "the resources name no main window layout";
    return std::nullopt;
  }
  const std::optional<std::string> bytes = support::ReadWholeFile(layout->second);
  if (!bytes) {
    error = "cannot read the main window's layout";
    return std::nullopt;
  }
  std::optional<EffectNames> names = ParseEffectNames(*bytes, error);
  if (!names) return std::nullopt;
  const auto table = index->files.find(ResourceKey(std::string("translator:") + std::string(translator)));
  if (table == index->files.end()) return names;
  const std::optional<std::string> tableBytes = support::ReadWholeFile(table->second);
  std::string tableError;
  if (const std::optional<TranslationTable> parsed =
          tableBytes ? ParseTranslationTable(*tableBytes, tableError) : std::nullopt) {
    return TranslateEffectNames(*names, *parsed);
  }
  return names;
}

std::optional<int> FindEffectByName(std::string_view text, const std::vector<std::string>& englishNames,
                                    const std::vector<std::string>& shownNames) {
  int number = 0;
  const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (problem == std::errc() && end == text.data() + text.size() && !text.empty()) return number;
  const std::string wanted = Folded(text);
  if (wanted.empty()) return std::nullopt;
  for (const std::vector<std::string>* names : {&englishNames, &shownNames}) {
    for (std::size_t index = 0; index < names->size(); ++index) {
      if (Folded((*names)[index]) == wanted) return static_cast<int>(index);
    }
  }
  return std::nullopt;
}

}  // namespace model
