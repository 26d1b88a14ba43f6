// The real message box: wide enough for its caption in a title bar and for its text, and
// a question that Enter and Esc answer No.
#include "wizard/framework/qt/message_box.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "wizard/framework/dialog_hooks.h"

namespace vantor::framework {
namespace {

struct BoxCase {
  const char* caption;
  const char* text;
  MessageButtons buttons;
};

TEST(MessageBoxTest, EveryBoxIsWideEnoughForItsCaptionInATitleBarAndForItsText) {
  const BoxCase cases[] = {
      {"You forgot to enter filename", "Please enter filename", MessageButtons::Ok},
      {"Output filename not specified", "Please specify output filename", MessageButtons::Ok},
      {"Invalid number of emails", "Please enter valid number of emails per part",
       MessageButtons::Ok},
      {"Zelcor Vantor", "Stop processing? The files will be left as they were.",
       MessageButtons::YesNo},
  };
  QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  titleFont.setBold(true);
  const QFontMetrics title(titleFont);
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(c.caption);
    const QString caption = QString::fromUtf8(c.caption);
    const QString text = QString::fromUtf8(c.text);
    const auto box =
        qt::MakeMessageBox(nullptr, text, caption, MessageIcon::Exclamation, c.buttons);
    box->show();
    // The window's icon and its buttons share the title bar with the caption.
    EXPECT_GE(box->width(), title.horizontalAdvance(caption) + 4 * title.height());
    const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(text));
  }
}

TEST(MessageBoxTest, AQuestionIsAnsweredNoByEnterAndByEsc) {
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    SCOPED_TRACE(key);
    const auto box =
        qt::MakeMessageBox(nullptr, QStringLiteral("Stop?"), QStringLiteral("Zelcor Vantor"),
                           MessageIcon::Question, MessageButtons::YesNo);
    ASSERT_NE(box->button(QMessageBox::Yes), nullptr);
    box->show();
    QTest::keyClick(box->focusWidget() != nullptr ? box->focusWidget() : box.get(), key);
    EXPECT_EQ(box->clickedButton(), box->button(QMessageBox::No));
    EXPECT_FALSE(box->isVisible());
  }
}

}  // namespace
}  // namespace vantor::framework
