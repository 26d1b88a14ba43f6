// Drives the real wizard through its pages the way a user does: choices clicked on the
// choose-actions page, text typed into the fields, Next and Back pressed. Message boxes
// and the file dialog are answered through the dialog hooks and recorded.
#ifndef VANTOR_TESTS_WIZARD_PAGE_DRIVER_H_
#define VANTOR_TESTS_WIZARD_PAGE_DRIVER_H_

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <deque>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "wizard/choose_items_page.h"
#include "wizard/extract_page.h"
#include "wizard/filter_page.h"
#include "wizard/framework/dialog_hooks.h"
#include "wizard/include_page.h"
#include "wizard/merge_page.h"
#include "wizard/output_page.h"
#include "wizard/sheet.h"
#include "wizard/single_list_page.h"
#include "wizard/split_page.h"

namespace vantor::wizard::test {

// Template ids of the pages.
enum PageId : int {
  kWelcome = 107,
  kCompletion = 108,
  kChooseActions = 109,
  kInput = 110,
  kFilter = 111,
  kRearrange = 112,
  kInclude = 113,
  kExtract = 114,
  kSplit = 115,
  kOutput = 116,
  kMerge = 117,
  kSummary = 118,
  kProcessing = 119,
};

// Something the user does on a page.
struct Step {
  enum Kind { kType, kClick, kAddFile, kSelectEntry } kind;
  int id = 0;  // the control, or the entry of the merge list
  const char* text = "";
};

inline Step TypeStep(int id, const char* text) { return {Step::kType, id, text}; }
inline Step ClickStep(int id) { return {Step::kClick, id}; }
// Add on the merge page, the file dialog answering `path`, or cancelled for nullptr.
inline Step AddStep(const char* path) { return {Step::kAddFile, CMergePage::IDC_ADD, path}; }
inline Step SelectStep(int row) { return {Step::kSelectEntry, row}; }

// What to do on each page on the way; a page not named is filled with valid values.
using PageSteps = std::map<int, std::vector<Step>>;

struct ShownMessage {
  QWidget* owner;
  QString text;
  QString caption;
  framework::MessageIcon icon;
};

class PageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    framework::SetMessageBoxHook([this](QWidget* owner, const QString& text, const QString& caption,
                                        framework::MessageIcon icon,
                                        framework::MessageButtons buttons) {
      m_messages.push_back({owner, text, caption, icon});
      return buttons == framework::MessageButtons::Ok ? framework::MessageAnswer::Ok
                                                      : framework::MessageAnswer::No;
    });
    framework::SetLastFileFolder(QString());
    framework::SetFileDialogHook([this](QWidget* owner, const QString& initialName,
                                        const QString& startFolder) -> std::optional<QString> {
      m_dialogOwners.push_back(owner);
      m_dialogInitialNames.push_back(initialName);
      m_dialogStartFolders.push_back(startFolder);
      if (m_dialogAnswers.empty()) {
        ADD_FAILURE() << "unexpected file dialog";
        return std::nullopt;
      }
      const bool ok = m_dialogAnswers.front().has_value();
      const QString path = m_dialogAnswers.front().value_or(QString());
      m_dialogAnswers.pop_front();
      return ok ? std::optional<QString>(path) : std::nullopt;
    });
  }

  void TearDown() override {
    m_sheet.reset();
    framework::SetMessageBoxHook({});
    framework::SetFileDialogHook({});
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty()) << "a window outlived the sheet";
  }

  // A new wizard, moved past the welcome page, with the choose-actions boxes `clicks`
  // clicked and Next pressed: the wizard stands on the first page after it.
  void Start(const std::vector<int>& clicks) {
    m_sheet.reset();
    m_sheet = std::make_unique<CVantorSheet>();
    m_sheet->show();
    m_messages.clear();
    Next();
    for (int id : clicks) Click(*m_sheet->GetChooseItemsPage(), id);
    Next();
  }

  // Presses Next on each page, after filling it with valid values, until the page
  // `id` is reached.
  void GoTo(int id) { WalkTo(id, {}); }

  // Like GoTo, but does `steps` on the pages they name instead of filling them.
  void WalkTo(int id, const PageSteps& steps) {
    for (int guard = 0; guard < 12 && ActiveId() != id; ++guard) {
      const auto found = steps.find(ActiveId());
      if (found != steps.end()) {
        Do(found->second);
      } else {
        FillValid();
      }
      Next();
    }
    ASSERT_EQ(ActiveId(), id);
    ASSERT_TRUE(m_messages.empty()) << m_messages.front().text.toStdString();
  }

  void Do(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      switch (step.kind) {
        case Step::kType:
          Type(step.id, step.text);
          break;
        case Step::kClick:
          Click(step.id);
          break;
        case Step::kAddFile:
          m_dialogAnswers.push_back(step.text != nullptr
                                        ? std::optional<QString>(QString::fromUtf8(step.text))
                                        : std::nullopt);
          Click(step.id);
          break;
        case Step::kSelectEntry:
          Active().GetDlgItemAs<QListWidget>(CMergePage::IDC_FILE_LIST)->setCurrentRow(step.id);
          break;
      }
    }
  }

  // Valid values for the active page when it takes any.
  void FillValid() {
    switch (ActiveId()) {
      case kInput:
        Type(CSingleListPage::IDC_INPUT_FILE, "in.txt");
        break;
      case kOutput:
        Type(COutputPage::IDC_OUTPUT_FILE, "out.txt");
        break;
      case kInclude:
        Type(CIncludePage::IDC_INCLUDE_EMAIL, "x@example.com");
        Type(CIncludePage::IDC_INCLUDE_PERIOD, "100");
        break;
      case kExtract:
        Type(CExtractPage::IDC_EXTRACT_COUNT, "10");
        break;
      case kSplit:
        Type(m_sheet->GetSplitPage()->IsSplitByCountChecked() ? CSplitPage::IDC_EMAILS_PER_PART
                                                              : CSplitPage::IDC_KILOBYTES_PER_PART,
             "1000");
        break;
      default:
        break;
    }
  }

  QPushButton* Button(framework::PropertySheet::Button which) const {
    return m_sheet->GetButton(which);
  }
  void Next() { Button(framework::PropertySheet::Button::Next)->click(); }
  void Back() { Button(framework::PropertySheet::Button::Back)->click(); }

  framework::PropertyPage& Active() const { return *m_sheet->GetActivePage(); }
  int ActiveId() const { return m_sheet->GetActivePage()->GetTemplateId(); }
  std::vector<int> Sequence() const {
    std::vector<int> ids;
    for (int i = 0; i < m_sheet->GetPageCount(); ++i) {
      ids.push_back(m_sheet->GetPage(i)->GetTemplateId());
    }
    return ids;
  }

  // Clicks a button of a page as the user does.
  static void Click(const framework::PropertyPage& page, int id) {
    auto* button = page.GetDlgItemAs<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << id;
    button->click();
  }
  void Click(int id) { Click(Active(), id); }
  // With the mouse, near the left end where a box or circle is drawn.
  void MouseClick(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(4, widget->height() / 2));
  }
  void MouseClick(int id) { MouseClick(Active().GetDlgItem(id)); }

  // Replaces the text of a field of the active page: typed key by key, or pasted when
  // it holds characters other than printable ASCII (tab, vertical tab, accents...).
  void Type(int id, const QString& text) { Type(Active(), id, text); }
  void Type(int id, const char* text) { Type(Active(), id, QString::fromUtf8(text)); }
  static void Type(const framework::PropertyPage& page, int id, const QString& text) {
    auto* field = page.GetDlgItemAs<QLineEdit>(id);
    ASSERT_NE(field, nullptr) << id;
    field->selectAll();
    field->del();
    const bool typeable =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u' ' && c <= u'~'; });
    if (typeable) {
      QTest::keyClicks(field, text);
    } else {
      field->insert(text);
    }
    ASSERT_EQ(field->text(), text);
  }

  // The wizard made the active window, so that keys and shortcuts reach it.
  void Activate() {
    QApplication::setActiveWindow(m_sheet.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_sheet.get()));
  }
  // A key pressed and released where the focus is, as on a keyboard.
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(m_sheet->focusWidget(), key, modifiers);
  }

  // Local files dragged from a file manager onto `target` and dropped there: the events
  // the widget under the pointer gets. Whether the drop was taken.
  static bool DropFiles(QWidget* target, const QStringList& paths) {
    if (auto* area = qobject_cast<QAbstractScrollArea*>(target)) target = area->viewport();
    QList<QUrl> urls;
    for (const QString& path : paths) urls.push_back(QUrl::fromLocalFile(path));
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return enter.isAccepted() && drop.isAccepted();
  }

  QString Text(int id) const { return Active().GetDlgItemText(id); }
  bool Enabled(int id) const { return Active().GetDlgItem(id)->isEnabled(); }
  bool HasFocus(int id) const { return m_sheet->focusWidget() == Active().GetDlgItem(id); }

  std::unique_ptr<CVantorSheet> m_sheet;
  std::vector<ShownMessage> m_messages;
  // The file dialog's answers, in order: a path for OK, nothing for Cancel.
  std::deque<std::optional<QString>> m_dialogAnswers;
  std::vector<QWidget*> m_dialogOwners;
  std::vector<QString> m_dialogInitialNames;
  std::vector<QString> m_dialogStartFolders;
};

}  // namespace vantor::wizard::test

#endif  // VANTOR_TESTS_WIZARD_PAGE_DRIVER_H_
