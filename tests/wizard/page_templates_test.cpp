// The thirteen page templates: every control inside its page, ids that can be told
// apart, and texts that the fonts found here show whole.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QWidget>
#include <set>

#include "tests/wizard/page_template_list.h"
#include "wizard/framework/dialog_builder.h"

namespace vantor::wizard {
namespace {

using framework::ControlKind;
using framework::DialogTemplate;

const auto& kTemplates = test::kPageTemplates;

TEST(PageTemplatesTest, EveryControlLiesInsideItsPageAndHasItsOwnId) {
  std::set<int> templateIds;
  for (const DialogTemplate* page : kTemplates) {
    SCOPED_TRACE(page->id);
    EXPECT_TRUE(templateIds.insert(page->id).second) << "template id used twice";
    EXPECT_EQ(page->width, 310);
    EXPECT_EQ(page->height, 178);
    std::set<int> ids;
    for (const framework::ControlTemplate& control : page->controls) {
      SCOPED_TRACE(control.id);
      if (control.id != framework::kNoId) {
        EXPECT_TRUE(ids.insert(control.id).second);
      }
      EXPECT_GE(control.rect.x, 0);
      EXPECT_GE(control.rect.y, 0);
      EXPECT_LE(control.rect.x + control.rect.width, page->width);
      EXPECT_LE(control.rect.y + control.rect.height, page->height);
      EXPECT_EQ(control.kind == ControlKind::Custom, control.customClass != nullptr);
    }
  }
}

// What a text needs beside it: the box or circle of a check box or radio button.
int IndicatorSpace(const QWidget* button) {
  const QStyle* style = button->style();
  if (qobject_cast<const QRadioButton*>(button)) {
    return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, button) +
           style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, button);
  }
  return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button) +
         style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button);
}

TEST(PageTemplatesTest, TextsAreShownWhole) {
  for (const DialogTemplate* page : kTemplates) {
    SCOPED_TRACE(page->id);
    QWidget window;
    framework::BuildDialog(*page, &window);
    for (QObject* child : window.children()) {
      if (auto* label = qobject_cast<QLabel*>(child)) {
        if (label->text().isEmpty() || !label->wordWrap()) continue;
        SCOPED_TRACE(label->text().toStdString());
        const QRect area = label->contentsRect();
        const QRect needed = label->fontMetrics().boundingRect(
            area, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, label->text());
        EXPECT_LE(needed.height(), area.height());
        EXPECT_LE(needed.width(), area.width());
      } else if (auto* button = qobject_cast<QAbstractButton*>(child)) {
        if (!qobject_cast<QCheckBox*>(button) && !qobject_cast<QRadioButton*>(button)) continue;
        SCOPED_TRACE(button->text().toStdString());
        EXPECT_LE(IndicatorSpace(button) + button->fontMetrics().horizontalAdvance(button->text()),
                  button->width());
        EXPECT_LE(button->fontMetrics().height(), button->height());
      }
    }
  }
}

// A control over another hides part of its text or takes its clicks: the boxes, buttons
// and fields of a page each have their own place.
TEST(PageTemplatesTest, ButtonsAndFieldsDoNotOverlap) {
  const auto interactive = [](ControlKind kind) {
    return kind == ControlKind::RadioButton || kind == ControlKind::CheckBox ||
           kind == ControlKind::PushButton || kind == ControlKind::Edit;
  };
  for (const DialogTemplate* page : kTemplates) {
    SCOPED_TRACE(page->id);
    const auto& controls = page->controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      for (std::size_t k = i + 1; k < controls.size(); ++k) {
        const auto& a = controls[i];
        const auto& b = controls[k];
        if (!interactive(a.kind) || !interactive(b.kind)) continue;
        const bool apart =
            a.rect.x + a.rect.width <= b.rect.x || b.rect.x + b.rect.width <= a.rect.x ||
            a.rect.y + a.rect.height <= b.rect.y || b.rect.y + b.rect.height <= a.rect.y;
        EXPECT_TRUE(apart) << a.id << " and " << b.id;
      }
    }
  }
}

}  // namespace
}  // namespace vantor::wizard
