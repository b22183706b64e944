#include "ui/outside_control/port_question.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSpinBox>

#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/message_box.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {

namespace {

constexpr int kLowestPort = 1024;
constexpr int kHighestPort = 65535;
constexpr int kFieldHeight = 28;
constexpr int kGap = 10;

}  // namespace

std::optional<std::uint16_t> AskForPort(LayoutLoader& loader, QWidget* parent, const QString& text,
                                        std::uint16_t taken) {
  const QString shown = Tr(text).arg(taken);
  std::unique_ptr<MessageBox> box =
      MessageBox::Create(loader, parent, QStringLiteral("Lighting control"), shown, MessageButtons::kOkCancel);
  if (!box) return std::nullopt;
  QDialog* dialog = box->Dialog();
  auto* label = FindControl<QLabel>(dialog, "msgtext");
  // The text was passed translated already: Create would translate it again (to itself).
  label->setText(shown);
  auto* field = new QSpinBox(dialog);
  field->setObjectName("port_number");
  field->setRange(kLowestPort, kHighestPort);
  field->setValue(taken < kHighestPort ? taken + 1 : kLowestPort);
  field->setGeometry(label->x(), label->y() + label->height() + kGap, 120, kFieldHeight);
  for (const char* name : {"btnOK", "btnCancel"}) {
    if (auto* button = FindControl<QAbstractButton>(dialog, name)) button->move(button->x(), button->y() + kFieldHeight + kGap);
  }
  dialog->resize(dialog->width(), dialog->height() + kFieldHeight + kGap);
  field->setFocus();
  field->selectAll();
  if (box->Exec() != kMessageOk) return std::nullopt;
  return static_cast<std::uint16_t>(field->value());
}

}  // namespace ui
