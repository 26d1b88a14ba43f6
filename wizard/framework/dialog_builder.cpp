#include "wizard/framework/dialog_builder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVariant>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "wizard/framework/dialog_units.h"

namespace vantor::framework {

namespace {

// The makers of custom controls by class name. User-interface thread.
std::map<std::string, ControlMaker, std::less<>>& CustomMakers() {
  static std::map<std::string, ControlMaker, std::less<>> makers;
  return makers;
}

constexpr char kIdProperty[] = "controlId";

// A one-line label that ends a text too long for it in "...", cut anywhere or, with
// `wholeWords`, after the last word that fits.
class ElidingLabel final : public QLabel {
 public:
  ElidingLabel(bool wholeWords, QWidget* parent) : QLabel(parent), m_wholeWords(wholeWords) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect area = contentsRect();
    style()->drawItemText(&painter, area, alignment(), palette(), isEnabled(), Elided(area.width()),
                          foregroundRole());
  }

 private:
  QString Elided(int width) const {
    const QFontMetrics metrics = fontMetrics();
    const QString& whole = text();
    if (!m_wholeWords || metrics.horizontalAdvance(whole) <= width) {
      return metrics.elidedText(whole, Qt::ElideRight, width);
    }
    const QString dots = QStringLiteral("...");
    for (qsizetype end = whole.lastIndexOf(QChar(' ')); end > 0;
         end = whole.lastIndexOf(QChar(' '), end - 1)) {
      const QString shown = whole.left(end) + dots;
      if (metrics.horizontalAdvance(shown) <= width) return shown;
    }
    return metrics.elidedText(whole, Qt::ElideRight, width);
  }

  const bool m_wholeWords;
};

QWidget* MakeStatic(const ControlTemplate& control, QWidget* parent) {
  const bool elides = control.style & (kEndEllipsis | kWordEllipsis);
  QLabel* label =
      elides ? new ElidingLabel(control.style & kWordEllipsis, parent) : new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(!elides);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setText(QString::fromUtf8(control.text));
  if (control.style & kStaticEdge) {
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(1);
  }
  return label;
}

QWidget* MakePicture(const ControlTemplate& control, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setAlignment((control.style & kCenterImage) ? Qt::AlignCenter
                                                     : Qt::AlignLeft | Qt::AlignTop);
  return label;
}

// A read-only text box shows the dialog's colour, not the window colour of a field that
// takes input; a page that wants it white says so.
void ShowAsReadOnly(QWidget* edit) {
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  edit->setPalette(palette);
}

QWidget* MakeEdit(const ControlTemplate& control, QWidget* parent) {
  const bool framed = control.style & (kBorder | kStaticEdge);
  const bool readOnly = control.style & kReadOnly;
  if (!(control.style & kMultiLine)) {
    auto* edit = new QLineEdit(QString::fromUtf8(control.text), parent);
    edit->setFrame(framed);
    edit->setReadOnly(readOnly);
    if (readOnly) ShowAsReadOnly(edit);
    return edit;
  }
  auto* edit = new QPlainTextEdit(QString::fromUtf8(control.text), parent);
  edit->setFrameStyle(framed ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
  edit->setLineWrapMode((control.style & kAutoHScroll) ? QPlainTextEdit::NoWrap
                                                       : QPlainTextEdit::WidgetWidth);
  edit->setVerticalScrollBarPolicy((control.style & kVScroll) ? Qt::ScrollBarAlwaysOn
                                                              : Qt::ScrollBarAlwaysOff);
  edit->setHorizontalScrollBarPolicy((control.style & kHScroll) ? Qt::ScrollBarAlwaysOn
                                                                : Qt::ScrollBarAlwaysOff);
  if (readOnly) {
    edit->setReadOnly(true);
    edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    ShowAsReadOnly(edit);
  }
  return edit;
}

QWidget* MakeListBox(const ControlTemplate& control, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setFrameStyle((control.style & (kBorder | kStaticEdge))
                          ? QFrame::StyledPanel | QFrame::Sunken
                          : QFrame::NoFrame);
  // A list box shows its scroll bar only when the entries need it.
  list->setVerticalScrollBarPolicy((control.style & kVScroll) ? Qt::ScrollBarAsNeeded
                                                              : Qt::ScrollBarAlwaysOff);
  return list;
}

QWidget* MakeProgressBar(QWidget* parent) {
  auto* bar = new QProgressBar(parent);
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setTextVisible(false);
  return bar;
}

QWidget* MakeControl(const ControlTemplate& control, QWidget* parent) {
  const QString text = QString::fromUtf8(control.text);
  switch (control.kind) {
    case ControlKind::Static:
      return MakeStatic(control, parent);
    case ControlKind::Picture:
      return MakePicture(control, parent);
    case ControlKind::Edit:
      return MakeEdit(control, parent);
    case ControlKind::PushButton:
      return new QPushButton(text, parent);
    case ControlKind::CheckBox:
      return new QCheckBox(text, parent);
    case ControlKind::RadioButton: {
      auto* radio = new QRadioButton(text, parent);
      radio->setAutoExclusive(false);  // its group decides
      return radio;
    }
    case ControlKind::ListBox:
      return MakeListBox(control, parent);
    case ControlKind::ProgressBar:
      return MakeProgressBar(parent);
    case ControlKind::Custom: {
      // A class nobody registered is a blank area of its size.
      const auto maker = control.customClass != nullptr ? CustomMakers().find(control.customClass)
                                                        : CustomMakers().end();
      QWidget* widget = maker != CustomMakers().end() ? maker->second(parent) : new QWidget(parent);
      if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
      } else {
        widget->setWindowTitle(text);
      }
      return widget;
    }
  }
  return nullptr;
}

// The template was laid out in a narrower font than some found here; a one-line label
// grows to its text rather than lose its last word to the wrap.
void FitOneLineLabel(QWidget* widget) {
  auto* label = qobject_cast<QLabel*>(widget);
  if (label == nullptr || !label->wordWrap() || label->text().contains(QChar('\n'))) return;
  const QFontMetrics metrics = label->fontMetrics();
  if (label->height() >= 2 * metrics.lineSpacing()) return;
  const int needed = metrics.horizontalAdvance(label->text());
  if (needed > label->width()) label->resize(needed, label->height());
}

// Arrow keys on a radio button move to the next enabled button of its group, in
// template order and round, and choose it as a click would; they never leave the group.
class RadioArrows final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier) return false;
    int step = 0;
    switch (key->key()) {
      case Qt::Key_Up:
      case Qt::Key_Left:
        step = -1;
        break;
      case Qt::Key_Down:
      case Qt::Key_Right:
        step = 1;
        break;
      default:
        return false;
    }
    auto* radio = qobject_cast<QAbstractButton*>(watched);
    QButtonGroup* group = radio != nullptr ? radio->group() : nullptr;
    if (group == nullptr) return false;
    const QList<QAbstractButton*> buttons = group->buttons();
    const qsizetype count = buttons.size();
    const qsizetype at = buttons.indexOf(radio);
    for (qsizetype i = 1; i < count; ++i) {
      QAbstractButton* candidate = buttons[((at + step * i) % count + count) % count];
      if (!candidate->isEnabled() || candidate->isHidden()) continue;
      candidate->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
      if (!candidate->isChecked()) candidate->click();
      break;
    }
    return true;
  }
};

// Tab stops at one button of a radio group, the checked one (the first while none is).
void FollowCheckedRadio(const QButtonGroup* group) {
  const QList<QAbstractButton*> buttons = group->buttons();
  QAbstractButton* stop = group->checkedButton();
  if (stop == nullptr && !buttons.isEmpty()) stop = buttons.front();
  for (QAbstractButton* button : buttons) {
    button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

// For each control, whether it is a radio button of a group that Tab reaches: one of
// the group's buttons has kTabStop.
std::vector<bool> RadiosTabReaches(const DialogTemplate& dialogTemplate) {
  const std::vector<ControlTemplate>& controls = dialogTemplate.controls;
  std::vector<int> groupOf(controls.size(), 0);
  std::vector<bool> groupHasTabStop(controls.size() + 1, false);
  int group = 0;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].style & kGroup) ++group;
    groupOf[i] = group;
    if (controls[i].kind == ControlKind::RadioButton && (controls[i].style & kTabStop)) {
      groupHasTabStop[group] = true;
    }
  }
  std::vector<bool> reached(controls.size(), false);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    reached[i] = controls[i].kind == ControlKind::RadioButton && groupHasTabStop[groupOf[i]];
  }
  return reached;
}

bool TakesFocus(ControlKind kind) {
  return kind != ControlKind::Static && kind != ControlKind::Picture &&
         kind != ControlKind::ProgressBar;
}

}  // namespace

void BuildDialog(const DialogTemplate& dialogTemplate, QWidget* window) {
  window->setFont(ResolveDialogFont(QString::fromUtf8(dialogTemplate.fontFamily),
                                    dialogTemplate.fontPointSize));
  const DialogBaseUnits units = BaseUnitsOf(window->font());
  window->setFixedSize(
      MapDialogRect({0, 0, dialogTemplate.width, dialogTemplate.height}, units).size());

  const std::vector<bool> radioTabStops = RadiosTabReaches(dialogTemplate);
  RadioArrows* radioArrows = nullptr;
  QButtonGroup* radioGroup = nullptr;
  std::vector<QButtonGroup*> tabbedGroups;
  QWidget* lastTabStop = nullptr;
  std::vector<QWidget*> panels;
  std::vector<QWidget*> overlays;
  for (std::size_t index = 0; index < dialogTemplate.controls.size(); ++index) {
    const ControlTemplate& control = dialogTemplate.controls[index];
    QWidget* widget = MakeControl(control, window);
    widget->setProperty(kIdProperty, control.id);
    widget->setGeometry(MapDialogRect(control.rect, units));
    widget->setEnabled(!(control.style & kDisabled));
    if (control.kind == ControlKind::Static) FitOneLineLabel(widget);

    if (control.style & kGroup) radioGroup = nullptr;
    if (control.kind == ControlKind::RadioButton) {
      if (radioGroup == nullptr) radioGroup = new QButtonGroup(window);
      if (radioArrows == nullptr) radioArrows = new RadioArrows(window);
      radioGroup->addButton(static_cast<QRadioButton*>(widget));
      widget->installEventFilter(radioArrows);
    }

    if (radioTabStops[index]) {
      // Every button of the group takes its place in the tab order; which of them Tab
      // stops at follows the check.
      if (lastTabStop != nullptr) QWidget::setTabOrder(lastTabStop, widget);
      lastTabStop = widget;
      if (std::find(tabbedGroups.begin(), tabbedGroups.end(), radioGroup) == tabbedGroups.end()) {
        tabbedGroups.push_back(radioGroup);
      }
    } else if (control.style & kTabStop) {
      widget->setFocusPolicy(Qt::StrongFocus);
      if (lastTabStop != nullptr) QWidget::setTabOrder(lastTabStop, widget);
      lastTabStop = widget;
    } else if (TakesFocus(control.kind) && control.kind != ControlKind::Custom) {
      widget->setFocusPolicy(Qt::ClickFocus);
    }

    if (control.kind == ControlKind::Static && (control.style & kStaticEdge)) {
      panels.push_back(widget);
    }
    if (control.style & kTransparent) overlays.push_back(widget);
  }
  for (QButtonGroup* group : tabbedGroups) {
    FollowCheckedRadio(group);
    QObject::connect(group, &QButtonGroup::buttonToggled, group,
                     [group](QAbstractButton*, bool) { FollowCheckedRadio(group); });
  }
  // Panels lie under everything; transparent controls are drawn over their siblings.
  for (QWidget* panel : panels) panel->lower();
  for (QWidget* overlay : overlays) overlay->raise();
}

void RegisterCustomControl(std::string_view className, ControlMaker make) {
  CustomMakers().insert_or_assign(std::string(className), make);
}

QWidget* FindControl(const QWidget* window, int id) {
  if (window == nullptr) return nullptr;
  for (QObject* child : window->children()) {
    const QVariant tag = child->property(kIdProperty);
    if (tag.isValid() && tag.toInt() == id && child->isWidgetType()) {
      return static_cast<QWidget*>(child);
    }
  }
  return nullptr;
}

int ControlIdOf(const QWidget* control) {
  const QVariant tag = control != nullptr ? control->property(kIdProperty) : QVariant();
  return tag.isValid() ? tag.toInt() : kNoId;
}

}  // namespace vantor::framework
