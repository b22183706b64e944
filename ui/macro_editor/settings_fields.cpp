#include "ui/macro_editor/settings_fields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIntValidator>
#include <QLineEdit>

#include "model/records/repeat_count.h"
#include "ui/macro_editor/editor_messages.h"
#include "ui/macro_editor/editor_texts.h"
#include "ui/macro_editor/typed_numbers.h"
#include "ui/toolkit/xml_translator.h"

namespace macro {

SettingsFields::SettingsFields(model::MacroLibrary& library, const model::AppConfig& config,
                               const EditorControls& controls, EditorMessages& messages)
    : library_(library), config_(config), controls_(controls), messages_(messages) {}

void SettingsFields::Show() {
  if (library_.mode >= 3) {
    library_.mode = 0;
    library_.Save();
  }
  CheckDelayMode(library_.mode);

  for (const model::FunKeyEntry& entry : config_.mediaKeys) {
    controls_.mediaKeys->addItem(ui::Tr(QString::fromStdWString(entry.name)));
  }
  for (const model::CombKeyEntry& entry : config_.functionKeys) {
    controls_.functionKeys->addItem(ui::Tr(QString::fromStdWString(entry.name)));
  }

  // A stored count outside the range shows (and is used) as its nearest bound.
  library_.repeat = model::ClampRepeatCount(library_.repeat);
  controls_.delayEdit->setText(QString::number(int(library_.delay)));
  controls_.repeatEdit->setText(QString::number(library_.repeat));
  // The field takes no count past the largest: typing a digit more is refused as it is typed.
  controls_.repeatEdit->setValidator(new QIntValidator(model::kMinRepeatCount, model::kMaxRepeatCount, controls_.repeatEdit));
  controls_.repeatEdit->setMaxLength(static_cast<int>(QString::number(model::kMaxRepeatCount).size()));
  if (library_.mode == 2) controls_.delayEdit->setText(QStringLiteral("0"));
  controls_.delayEdit->setEnabled(library_.mode == 1);

  // A play entry that does not exist would leave the play value 0, which plays nothing: the
  // first entry is taken instead.
  if (library_.play < 0 || library_.play >= controls_.playMode->count()) library_.play = 0;
  controls_.playMode->setCurrentIndex(library_.play);
  library_.playValue = controls_.playMode->currentData().toInt();
  controls_.functionKeys->setCurrentIndex(library_.function);
  controls_.mediaKeys->setCurrentIndex(library_.media);
}

void SettingsFields::Connect() {
  for (int mode = 0; mode < 3; ++mode) {
    connect(controls_.delayModes[mode], &QAbstractButton::clicked, this, [this, mode] { OnDelayModeClicked(mode); });
  }
  connect(controls_.repeatEdit, &QLineEdit::textEdited, this, &SettingsFields::OnRepeatEdited);
  connect(controls_.delayEdit, &QLineEdit::textEdited, this, &SettingsFields::OnDelayEdited);
  connect(controls_.delayEdit, &QLineEdit::editingFinished, this, [this] {
    if (library_.mode != 1 || ReadDelayInRange(controls_.delayEdit->text().toStdWString())) return;
    controls_.delayEdit->setText(QString::number(int(library_.delay)));
    messages_.MessageLater(ui::Tr(kDelayRangeText));
  });
  connect(controls_.playMode, &QComboBox::currentIndexChanged, this, &SettingsFields::OnPlayModeChanged);
  connect(controls_.mediaKeys, &QComboBox::currentIndexChanged, this, [this](int index) {
    library_.media = index;
    library_.Save();
  });
  connect(controls_.functionKeys, &QComboBox::currentIndexChanged, this, [this](int index) {
    library_.function = index;
    library_.Save();
  });
}

void SettingsFields::CheckDelayMode(int mode) {
  for (int each = 0; each < 3; ++each) controls_.delayModes[each]->setChecked(each == mode);
}

void SettingsFields::OnDelayModeClicked(int mode) {
  CheckDelayMode(mode);
  library_.mode = mode;
  if (mode == 0) {
    controls_.delayEdit->setEnabled(false);
  } else if (mode == 1) {
    controls_.delayEdit->setEnabled(true);
    controls_.delayEdit->setText(QString::number(int(library_.delay)));
  } else {
    controls_.delayEdit->setText(QStringLiteral("0"));
    controls_.delayEdit->setEnabled(false);
  }
  library_.Save();
}

void SettingsFields::OnRepeatEdited(const QString& text) {
  // Only a count in range is taken; OK says what is wrong with any other text.
  const std::optional<int> count = ReadRepeatCount(text.toStdWString());
  if (!count) return;
  library_.repeat = *count;
  library_.Save();
}

void SettingsFields::OnDelayEdited(const QString& text) {
  if (library_.mode != 1) return;
  const std::optional<int> delay = ReadDelayInRange(text.toStdWString());
  if (!delay) return;  // put back when the field is left
  library_.delay = *delay;
  library_.Save();
}

void SettingsFields::OnPlayModeChanged(int index) {
  library_.play = index;
  library_.playValue = controls_.playMode->itemData(index).toInt();
  library_.Save();
}

}  // namespace macro
