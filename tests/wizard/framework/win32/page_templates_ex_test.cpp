// The thirteen page templates as Win32 templates: each reads back with the same controls,
// in the same order, with the same ids, rectangles, classes and texts. The pages live in
// the Qt wizard's library, so this runs with the Qt tests only.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/wizard/framework/win32/template_reader.h"
#include "tests/wizard/page_template_list.h"
#include "wizard/framework/win32/dialog_template_ex.h"

namespace vantor::wizard {
namespace {

using framework::ControlKind;
using framework::ControlTemplate;
using framework::DialogTemplate;

const auto& kTemplates = test::kPageTemplates;

std::uint16_t AtomOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
      return 0x80;
    case ControlKind::Edit:
      return 0x81;
    case ControlKind::Static:
    case ControlKind::Picture:
      return 0x82;
    case ControlKind::ListBox:
      return 0x83;
    default:
      return 0;
  }
}

// The page texts are ASCII: each byte is one UTF-16 unit.
std::u16string Widened(const char* text) { return std::u16string(text, text + std::strlen(text)); }

TEST(PageTemplatesExTest, EveryPageReadsBackWithItsControls) {
  framework::DialogTemplateOptions options;
  for (const DialogTemplate* page : kTemplates) {
    SCOPED_TRACE(page->id);
    const framework::testing::ReadDialog read =
        framework::testing::ReadTemplate(framework::SerializeDialogTemplate(*page, options));
    EXPECT_EQ(read.cx, page->width);
    EXPECT_EQ(read.cy, page->height);
    EXPECT_EQ(read.typeface, Widened(page->fontFamily));
    EXPECT_EQ(read.pointSize, page->fontPointSize);
    ASSERT_EQ(read.items.size(), page->controls.size());
    for (std::size_t i = 0; i < read.items.size(); ++i) {
      const ControlTemplate& control = page->controls[i];
      const framework::testing::ReadItem& item = read.items[i];
      SCOPED_TRACE(control.id);
      EXPECT_EQ(static_cast<int>(item.id), control.id);
      EXPECT_EQ(item.x, control.rect.x);
      EXPECT_EQ(item.y, control.rect.y);
      EXPECT_EQ(item.cx, control.rect.width);
      EXPECT_EQ(item.cy, control.rect.height);
      if (control.kind == ControlKind::Custom) {
        EXPECT_EQ(item.windowClass.name, Widened(control.customClass));
      } else if (control.kind == ControlKind::ProgressBar) {
        EXPECT_EQ(item.windowClass.name, u"msctls_progress32");
      } else {
        EXPECT_TRUE(item.windowClass.isAtom);
        EXPECT_EQ(item.windowClass.atom, AtomOf(control.kind));
      }
      const bool hasTitle = control.kind != ControlKind::Picture;
      EXPECT_EQ(item.title.name, hasTitle ? Widened(control.text) : u"");
      EXPECT_EQ((item.style & 0x00010000) != 0, (control.style & framework::kTabStop) != 0);
      EXPECT_EQ((item.style & 0x00020000) != 0, (control.style & framework::kGroup) != 0);
    }
  }
}

}  // namespace
}  // namespace vantor::wizard
