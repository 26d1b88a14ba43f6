// Drives the real wizard the way a user does: choices clicked on the choose-actions page,
// text typed into the fields by control id, Next and Back pressed, and a run awaited.
// Message boxes and the file dialog are answered through the dialog hooks and recorded.
#ifndef VANTOR_TESTS_WIZARD_WIZARD_DRIVER_H_
#define VANTOR_TESTS_WIZARD_WIZARD_DRIVER_H_

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
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wizard/arrow_check_static.h"
#include "wizard/choose_items_page.h"
#include "wizard/completion_page.h"
#include "wizard/extract_page.h"
#include "wizard/filter_page.h"
#include "wizard/framework/dialog_hooks.h"
#include "wizard/framework/qt/native.h"
#include "wizard/framework/qt/page_items.h"
#include "wizard/framework/qt/sheet_dialog.h"
#include "wizard/include_page.h"
#include "wizard/merge_page.h"
#include "wizard/output_page.h"
#include "wizard/processing_page.h"
#include "wizard/rearrange_page.h"
#include "wizard/sheet.h"
#include "wizard/single_list_page.h"
#include "wizard/split_page.h"

namespace vantor::wizard::test {

// Generous: a run in these tests takes well under a second.
constexpr int kRunLimitMs = 60000;

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

// Whether `text` holds `part`.
inline bool Has(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

// What to do on each page on the way; a page not named is filled with valid values.
using PageSteps = std::map<int, std::vector<Step>>;

// What the user chooses and types for a run, page by page. Empty texts are left as they
// are.
struct WizardJob {
  std::vector<int> actions;  // boxes of the choose-actions page, clicked in this order
  bool merge = false;
  QString input;
  QString output;
  bool replaceInput = false;
  QString filter;
  bool filterEquals = false;  // the file matched by whole address: a suppression list
  int rearrange = CRearrangePage::IDC_SORT_BY_EMAIL;
  QString includeEmail;
  QString includePeriod;
  QString extractCount;
  bool splitByCount = true;
  QString splitSize;  // emails, or kilobytes
  QStringList mergeFiles;
};

struct ShownMessage {
  framework::NativeWindow owner;
  std::string text;
  std::string caption;
  framework::MessageIcon icon;
  int activePage;  // template id of the page active while the box was up
  framework::MessageButtons buttons;
};

// A shown wizard on its welcome page, made anew by NewSheet and Start.
class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    framework::SetMessageBoxHook([this](framework::NativeWindow owner, const std::string& text,
                                        const std::string& caption, framework::MessageIcon icon,
                                        framework::MessageButtons buttons) {
      m_messages.push_back({owner, text, caption, icon, m_sheet ? ActiveId() : 0, buttons});
      return buttons == framework::MessageButtons::Ok ? framework::MessageAnswer::Ok : m_answer;
    });
    framework::SetFileDialogHook(
        [this](framework::NativeWindow owner, const std::string& initialName,
               const std::string& startFolder) -> std::optional<std::string> {
          m_dialogOwners.push_back(owner);
          m_dialogInitialNames.push_back(initialName);
          m_dialogStartFolders.push_back(startFolder);
          if (m_dialogAnswers.empty()) {
            ADD_FAILURE() << "unexpected file dialog";
            return std::nullopt;
          }
          const bool ok = m_dialogAnswers.front().has_value();
          const std::string path = m_dialogAnswers.front().value_or(std::string());
          m_dialogAnswers.pop_front();
          return ok ? std::optional<std::string>(path) : std::nullopt;
        });
    NewSheet();
  }

  void TearDown() override {
    m_sheet.reset();
    framework::SetMessageBoxHook({});
    framework::SetFileDialogHook({});
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty()) << "a window outlived the sheet";
  }

  void NewSheet() {
    m_sheet.reset();
    m_sheet = std::make_unique<CVantorSheet>();
    m_sheet->Show();
  }

  // A new wizard, moved past the welcome page, with the choose-actions boxes `clicks`
  // clicked and Next pressed: the wizard stands on the first page after it.
  void Start(const std::vector<int>& clicks) {
    NewSheet();
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
    ASSERT_TRUE(m_messages.empty()) << m_messages.front().text;
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
          m_dialogAnswers.push_back(step.text != nullptr ? std::optional<std::string>(step.text)
                                                         : std::nullopt);
          Click(step.id);
          break;
        case Step::kSelectEntry:
          framework::qt::ItemAs<QListWidget>(Active(), CMergePage::IDC_FILE_LIST)
              ->setCurrentRow(step.id);
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
      case kFilter:
        Type(CFilterPage::IDC_FILTER_FILE, "filter.txt");
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

  // From the welcome page or the choose-actions page to the summary page, filling each
  // page on the way; `choose` false keeps the boxes as an earlier pass left them. False
  // (with a failure) when a page refused its Next.
  bool FillUpToSummary(const WizardJob& job, bool choose = true) {
    if (ActiveId() != kChooseActions) Next();
    EXPECT_EQ(ActiveId(), kChooseActions);
    CChooseItemsPage& page = *m_sheet->GetChooseItemsPage();
    if (choose && job.merge) Click(page, CChooseItemsPage::IDC_MERGE);
    for (int id : choose ? job.actions : std::vector<int>{}) Click(page, id);
    for (int step = 0; step < 12 && ActiveId() != kSummary; ++step) {
      const std::size_t messages = m_messages.size();
      const int before = ActiveId();
      Fill(job);
      Next();
      if (m_messages.size() != messages || ActiveId() == before) {
        ADD_FAILURE() << "page " << before << " refused Next"
                      << (m_messages.size() != messages ? ": " + m_messages.back().text
                                                        : std::string());
        return false;
      }
    }
    return ActiveId() == kSummary;
  }

  // The whole way: filled, Next on the summary page, the run awaited.
  bool RunJob(const WizardJob& job, bool choose = true) {
    if (!FillUpToSummary(job, choose)) return false;
    Next();
    return WaitForRunEnd();
  }

  // Waits until the run has ended and the wizard left the processing page.
  bool WaitForRunEnd() {
    const bool ended = QTest::qWaitFor(
        [this] { return !processing().IsRunning() && ActiveId() != kProcessing; }, kRunLimitMs);
    EXPECT_TRUE(ended) << "the run did not end";
    return ended;
  }

  // The labels of the six slots of the processing page.
  std::vector<std::string> Labels() {
    std::vector<std::string> labels;
    for (int slot = 0; slot < CProcessingPage::kSlotCount; ++slot) {
      labels.push_back(processing().GetDlgItemText(CProcessingPage::IDC_FIRST_LABEL + 2 * slot));
    }
    return labels;
  }
  // The marks of the six slots: '.' empty, '>' arrow, 'v' check.
  std::string Marks() {
    std::string marks;
    for (int slot = 0; slot < CProcessingPage::kSlotCount; ++slot) {
      const ArrowCheck* mark = processing().GetMark(slot);
      marks += mark == nullptr ? '?' : mark->IsArrow() ? '>' : mark->IsChecked() ? 'v' : '.';
    }
    return marks;
  }

  CProcessingPage& processing() { return *m_sheet->GetProcessingPage(); }
  CCompletionPage& completion() { return *m_sheet->GetCompletionPage(); }
  QPushButton* Button(framework::PropertySheet::Button which) const {
    return framework::qt::ButtonOf(*m_sheet, which);
  }
  void Next() { Button(framework::PropertySheet::Button::Next)->click(); }
  void Back() { Button(framework::PropertySheet::Button::Back)->click(); }

  framework::PropertyPage& Active() const { return *m_sheet->GetActivePage(); }
  int ActiveId() const {
    const auto* page = m_sheet->GetActivePage();
    return page ? page->GetTemplateId() : 0;
  }
  // The template ids of the pages in the sheet, in order.
  std::vector<int> Sequence() const {
    std::vector<int> ids;
    for (int i = 0; i < m_sheet->GetPageCount(); ++i) {
      ids.push_back(m_sheet->GetPage(i)->GetTemplateId());
    }
    return ids;
  }

  // Clicks a button of a page as the user does.
  static void Click(const framework::PropertyPage& page, int id) {
    auto* button = framework::qt::ItemAs<QAbstractButton>(page, id);
    ASSERT_NE(button, nullptr) << id;
    button->click();
  }
  void Click(int id) { Click(Active(), id); }
  // With the mouse, near the left end where a box or circle is drawn.
  void MouseClick(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(4, widget->height() / 2));
  }
  void MouseClick(int id) { MouseClick(framework::qt::Item(Active(), id)); }

  // Replaces the text of a field of the active page: typed key by key, or pasted when
  // it holds characters other than printable ASCII (tab, vertical tab, accents...).
  void Type(int id, const QString& text) { Type(Active(), id, text); }
  void Type(int id, const char* text) { Type(Active(), id, QString::fromUtf8(text)); }
  static void Type(const framework::PropertyPage& page, int id, const QString& text) {
    auto* field = framework::qt::ItemAs<QLineEdit>(page, id);
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
    QApplication::setActiveWindow(framework::qt::DialogOf(*m_sheet));
    ASSERT_TRUE(QTest::qWaitForWindowActive(framework::qt::DialogOf(*m_sheet)));
  }
  // A key pressed and released where the focus is, as on a keyboard.
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(framework::qt::DialogOf(*m_sheet)->focusWidget(), key, modifiers);
  }

  // Local files dragged from a file manager onto `target` and dropped there, the source
  // offering `offered`: the events the widget under the pointer gets. The action the drop
  // was taken as, Qt::IgnoreAction when it was refused.
  static Qt::DropAction DropFiles(QWidget* target, const QStringList& paths,
                                  Qt::DropActions offered = Qt::CopyAction) {
    if (auto* area = qobject_cast<QAbstractScrollArea*>(target)) target = area->viewport();
    QList<QUrl> urls;
    for (const QString& path : paths) urls.push_back(QUrl::fromLocalFile(path));
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return enter.isAccepted() && drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
  }

  std::string Text(int id) const { return Active().GetDlgItemText(id); }
  bool Enabled(int id) const { return framework::qt::Item(Active(), id)->isEnabled(); }
  bool HasFocus(int id) const {
    return framework::qt::DialogOf(*m_sheet)->focusWidget() == framework::qt::Item(Active(), id);
  }

  std::unique_ptr<CVantorSheet> m_sheet;
  std::vector<ShownMessage> m_messages;
  // The answer to a Yes/No box.
  framework::MessageAnswer m_answer = framework::MessageAnswer::No;
  // The file dialog's answers, in order: a path for OK, nothing for Cancel.
  std::deque<std::optional<std::string>> m_dialogAnswers;
  std::vector<framework::NativeWindow> m_dialogOwners;
  std::vector<std::string> m_dialogInitialNames;
  std::vector<std::string> m_dialogStartFolders;

 private:
  // The values of `job` on the active page.
  void Fill(const WizardJob& job) {
    const auto type = [this](int id, const QString& text) {
      if (!text.isEmpty()) Type(id, text);
    };
    switch (ActiveId()) {
      case kInput:
        type(CSingleListPage::IDC_INPUT_FILE, job.input);
        break;
      case kOutput:
        if (job.replaceInput) Click(COutputPage::IDC_REPLACE_INPUT);
        type(COutputPage::IDC_OUTPUT_FILE, job.output);
        break;
      case kFilter:
        type(CFilterPage::IDC_FILTER_FILE, job.filter);
        if (job.filterEquals) Click(CFilterPage::IDC_EQUALS);
        break;
      case kRearrange:
        Click(job.rearrange);
        break;
      case kInclude:
        type(CIncludePage::IDC_INCLUDE_EMAIL, job.includeEmail);
        type(CIncludePage::IDC_INCLUDE_PERIOD, job.includePeriod);
        break;
      case kExtract:
        type(CExtractPage::IDC_EXTRACT_COUNT, job.extractCount);
        break;
      case kSplit:
        Click(job.splitByCount ? CSplitPage::IDC_SPLIT_BY_COUNT : CSplitPage::IDC_SPLIT_BY_SIZE);
        type(
            job.splitByCount ? CSplitPage::IDC_EMAILS_PER_PART : CSplitPage::IDC_KILOBYTES_PER_PART,
            job.splitSize);
        break;
      case kMerge:
        for (const QString& file : job.mergeFiles) {
          Active().ListAddString(CMergePage::IDC_FILE_LIST, file.toStdString());
        }
        type(CMergePage::IDC_OUTPUT_FILE, job.output);
        break;
      default:
        break;
    }
  }
};

}  // namespace vantor::wizard::test

#endif  // VANTOR_TESTS_WIZARD_WIZARD_DRIVER_H_
