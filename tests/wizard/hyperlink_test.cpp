#include "wizard/hyperlink.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "wizard/framework/dialog_hooks.h"
#include "wizard/framework/qt/native.h"

namespace vantor::wizard {
namespace {

using framework::MessageIcon;

constexpr char kAddress[] = "https://vantor.example/";

struct MessageBoxCall {
  framework::NativeWindow owner;
  std::string text;
  std::string caption;
  MessageIcon icon;
};

// A window with an edit field first in the tab order and the link after it. The hooks
// record every message box and every address handed to the browser.
class HyperLinkTest : public ::testing::Test {
 protected:
  HyperLinkTest() {
    framework::SetMessageBoxHook([this](framework::NativeWindow owner, const std::string& text,
                                        const std::string& caption, MessageIcon icon,
                                        framework::MessageButtons) {
      boxes_.push_back({owner, text, caption, icon});
      return framework::MessageAnswer::Ok;
    });
    framework::SetOpenLinkHook([this](const std::string& address) {
      opened_.push_back(address);
      return browserWorks_;
    });
    window_.resize(400, 200);
    edit_ = new QLineEdit(&window_);
    edit_->setGeometry(10, 100, 100, 24);
    link_ = dynamic_cast<CHyperLink*>(CHyperLink::Create(&window_));
    link_->setText(QString::fromLatin1(kAddress));
    link_->setGeometry(10, 10, 300, 40);
  }

  ~HyperLinkTest() override {
    framework::SetMessageBoxHook({});
    framework::SetOpenLinkHook({});
  }

  void Show() {
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    edit_->setFocus();
  }

  void Click(Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(link_, button, {}, QPoint(3, 3));
  }

  void TabAway() {
    edit_->setFocus(Qt::TabFocusReason);
    ASSERT_FALSE(link_->hasFocus());
  }

  // Whether the link was painted in `colour`: the underline is drawn in the text colour
  // without smoothing, so some pixels have it exactly.
  bool PaintedIn(QRgb colour) const {
    const QImage image = link_->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) return true;
      }
    }
    return false;
  }

  void ExpectColour(QRgb colour) const {
    EXPECT_EQ(link_->TextColour(), QColor(colour));
    EXPECT_TRUE(PaintedIn(colour)) << "not painted in " << QColor(colour).name().toStdString();
  }

  QWidget window_;
  QLineEdit* edit_ = nullptr;
  CHyperLink* link_ = nullptr;
  bool browserWorks_ = true;
  std::vector<MessageBoxCall> boxes_;
  std::vector<std::string> opened_;
};

TEST_F(HyperLinkTest, SetUpOnShowTakesTheTextAsAddressAndFitsTheControlToIt) {
  EXPECT_EQ(link_->LinkFlags(), 0x15u);
  Show();
  EXPECT_EQ(link_->LinkTarget(), QString::fromLatin1(kAddress));
  EXPECT_EQ(link_->toolTip(), QString::fromLatin1(kAddress));
  EXPECT_TRUE(link_->font().underline());
  EXPECT_EQ(link_->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(link_->focusPolicy(), Qt::TabFocus);

  const QFontMetrics metrics(link_->font());
  EXPECT_EQ(link_->geometry(), QRect(QPoint(10, 10), metrics.size(0, link_->text())));
}

TEST_F(HyperLinkTest, AnEmptyTextShowsTheAddress) {
  link_->setText(QString());
  link_->SetLinkTarget(QStringLiteral("https://other.example/"));
  Show();
  EXPECT_EQ(link_->text(), "https://other.example/");
  EXPECT_EQ(link_->toolTip(), "https://other.example/");
}

TEST_F(HyperLinkTest, OptionsLeaveOutUnderlineFittingAndHand) {
  link_->SetLinkFlags(CHyperLink::LinkFocusOnClick | CHyperLink::LinkNoHandCursor);
  Show();
  EXPECT_FALSE(link_->font().underline());
  EXPECT_EQ(link_->geometry(), QRect(10, 10, 300, 40));
  EXPECT_EQ(link_->cursor().shape(), Qt::ArrowCursor);
}

// The control at 10, 10, 300 x 40 shrinks to its text and keeps the edge or the centre
// its alignment holds the text to, so the text stays where it was.
TEST_F(HyperLinkTest, FittingKeepsTheEdgeTheTextIsAlignedTo) {
  Show();
  const QSize text = QFontMetrics(link_->font()).size(0, link_->text());
  const Qt::Alignment alignments[] = {Qt::AlignLeft | Qt::AlignTop, Qt::AlignRight | Qt::AlignTop,
                                      Qt::AlignCenter};
  for (const Qt::Alignment alignment : alignments) {
    SCOPED_TRACE(static_cast<int>(alignment));
    link_->setAlignment(alignment);
    link_->setGeometry(10, 10, 300, 40);
    link_->FitWindowToText();
    const QRect fitted = link_->geometry();
    EXPECT_EQ(fitted.size(), text);
    const int left = alignment & Qt::AlignRight     ? 310 - text.width()
                     : alignment & Qt::AlignHCenter ? 10 + (300 - text.width()) / 2
                                                    : 10;
    EXPECT_EQ(fitted.left(), left);
    EXPECT_EQ(fitted.top(), alignment & Qt::AlignVCenter ? 10 + (40 - text.height()) / 2 : 10);
  }
}

TEST_F(HyperLinkTest, NewAddressChangesTheTooltipNotTheText) {
  Show();
  link_->SetLinkTarget(QStringLiteral("https://vantor.example/download"));
  EXPECT_EQ(link_->text(), QString::fromLatin1(kAddress));
  EXPECT_EQ(link_->toolTip(), "https://vantor.example/download");
  link_->OpenLinkTarget();
  EXPECT_EQ(opened_, std::vector<std::string>{"https://vantor.example/download"});
}

TEST_F(HyperLinkTest, ColourFollowsFocusVisitAndHover) {
  Show();
  ExpectColour(CHyperLink::LinkColour);

  QTest::keyClick(edit_, Qt::Key_Tab);  // the link is next in the tab order
  ASSERT_TRUE(link_->hasFocus());
  EXPECT_TRUE(link_->IsArmed());
  ExpectColour(CHyperLink::ActiveColour);

  QTest::keyClick(link_, Qt::Key_Space);
  EXPECT_TRUE(link_->IsVisited());
  ExpectColour(CHyperLink::ActiveColour);  // armed wins over visited
  TabAway();
  EXPECT_FALSE(link_->IsArmed());
  ExpectColour(CHyperLink::VisitedColour);

  QTest::mouseMove(link_, QPoint(3, 3));
  ASSERT_TRUE(link_->IsHot());
  ExpectColour(CHyperLink::VisitedColour);  // no hover colour unless asked for
  link_->SetLinkFlags(link_->LinkFlags() | CHyperLink::LinkHoverColour);
  ExpectColour(CHyperLink::HoverColour);
  QTest::mouseMove(edit_, QPoint(3, 3));
  EXPECT_FALSE(link_->IsHot());
  ExpectColour(CHyperLink::VisitedColour);
}

TEST_F(HyperLinkTest, FailureToOpenBeepsShowsCode31AndLeavesTheVisitedState) {
  Show();
  browserWorks_ = false;
  link_->OpenLinkTarget();
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text,
            "Can't open link:\n\nThere is no application associated\n"
            "with the given filename extension.");
  EXPECT_EQ(boxes_[0].caption, "Zelcor Vantor");
  EXPECT_EQ(boxes_[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(framework::qt::Widget(boxes_[0].owner), &window_);
  EXPECT_FALSE(link_->IsVisited());

  browserWorks_ = true;
  link_->OpenLinkTarget();
  browserWorks_ = false;
  link_->OpenLinkTarget();
  EXPECT_TRUE(link_->IsVisited());
  EXPECT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(opened_.size(), 3u);
}

TEST_F(HyperLinkTest, SpaceOpensOncePerPressOtherKeysNever) {
  Show();
  link_->setFocus(Qt::TabFocusReason);
  QTest::keyClick(link_, Qt::Key_Return);
  QTest::keyClick(link_, Qt::Key_A);
  EXPECT_TRUE(opened_.empty());

  QTest::keyClick(link_, Qt::Key_Space);
  EXPECT_EQ(opened_.size(), 1u);
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
  QApplication::sendEvent(link_, &repeat);
  EXPECT_EQ(opened_.size(), 1u);
}

TEST_F(HyperLinkTest, ClickOpensOnReleaseInsideTheLink) {
  Show();
  QTest::mousePress(link_, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_TRUE(opened_.empty());
  EXPECT_TRUE(link_->IsArmed());
  EXPECT_TRUE(link_->hasFocus());
  QTest::mouseRelease(link_, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(opened_.size(), 1u);

  // Letting go elsewhere takes the click back.
  QTest::mousePress(link_, Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseRelease(link_, Qt::LeftButton, {}, QPoint(3, link_->height() + 20));
  EXPECT_EQ(opened_.size(), 1u);

  Click(Qt::RightButton);
  EXPECT_EQ(opened_.size(), 1u);
}

TEST_F(HyperLinkTest, OpenOnPressOpensOnceWithoutTakingFocusWhenNotAsked) {
  link_->SetLinkFlags(CHyperLink::LinkUnderline | CHyperLink::LinkOpenOnPress);
  Show();
  QTest::mousePress(link_, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(opened_.size(), 1u);
  QTest::mouseRelease(link_, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(opened_.size(), 1u);
  EXPECT_TRUE(edit_->hasFocus());
  EXPECT_TRUE(link_->IsArmed());
}

}  // namespace
}  // namespace vantor::wizard
