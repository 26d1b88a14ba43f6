// Runs jobs through the real wizard: the choices clicked on the choose-actions page, the
// later pages filled by control id, Next pressed up to the processing page, and the run
// awaited. Message boxes are answered through the hook and recorded. An Env wrapper lets
// a test fix the clock, hold the worker at a chosen read, or fail the full path.
#ifndef VANTOR_TESTS_WIZARD_RUN_DRIVER_H_
#define VANTOR_TESTS_WIZARD_RUN_DRIVER_H_

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/platform/env.h"
#include "wizard/arrow_check_static.h"
#include "wizard/choose_items_page.h"
#include "wizard/completion_page.h"
#include "wizard/extract_page.h"
#include "wizard/filter_page.h"
#include "wizard/framework/dialog_hooks.h"
#include "wizard/include_page.h"
#include "wizard/merge_page.h"
#include "wizard/output_page.h"
#include "wizard/processing_page.h"
#include "wizard/rearrange_page.h"
#include "wizard/sheet.h"
#include "wizard/single_list_page.h"
#include "wizard/split_page.h"

namespace vantor::wizard::testing {

// Generous: a run in these tests takes well under a second.
constexpr int kRunLimitMs = 60000;

// Template ids of the pages.
enum PageId : int {
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

// What the user chooses and types, page by page. Empty texts are left as they are.
struct WizardJob {
  std::vector<int> actions;  // boxes of the choose-actions page, clicked in this order
  bool merge = false;
  QString input;
  QString output;
  bool replaceInput = false;
  QString filter;
  int rearrange = CRearrangePage::IDC_SORT_BY_EMAIL;
  QString includeEmail;
  QString includePeriod;
  QString extractCount;
  bool splitByCount = true;
  QString splitSize;  // emails, or kilobytes
  QStringList mergeFiles;
};

struct ShownMessage {
  QString text;
  QString caption;
  framework::MessageIcon icon;
  int activePage;  // template id of the page active while the box was up
  framework::MessageButtons buttons;
};

// The real Env with a clock the test can fix, a read that waits, and a full path that
// can fail. Safe to use from the worker and the user-interface thread at once.
class ScriptedEnv final : public EnvWrapper {
 public:
  explicit ScriptedEnv(Env* base = Env::Default()) : EnvWrapper(base), m_base(base) {}

  void SetTick(std::optional<std::uint32_t> tick) {
    m_fixed.store(tick.has_value());
    m_tick.store(tick.value_or(0));
  }
  void FailFullPath(bool fail) { m_failFullPath = fail; }
  // The `n`th read of any file (1-based) waits until `release` answers true, or at most
  // kRunLimitMs.
  void HoldRead(int n, std::function<bool()> release) {
    m_holdAt = n;
    m_release = std::move(release);
  }
  bool holding() const { return m_holding.load(); }
  int reads() const { return m_reads.load(); }

  std::unique_ptr<ReadableFile> OpenForReading(const std::string& name) override {
    std::unique_ptr<ReadableFile> file = m_base->OpenForReading(name);
    if (!file) return file;
    return std::make_unique<HeldFile>(std::move(file), this);
  }
  std::string FullPath(const std::string& name) override {
    return m_failFullPath ? std::string() : m_base->FullPath(name);
  }
  std::string RealPath(const std::string& name) override {
    return m_failFullPath ? std::string() : m_base->RealPath(name);
  }
  std::uint32_t TickCount() override {
    return m_fixed.load() ? m_tick.load() : m_base->TickCount();
  }

 private:
  class HeldFile final : public ReadableFile {
   public:
    HeldFile(std::unique_ptr<ReadableFile> file, ScriptedEnv* env)
        : m_file(std::move(file)), m_env(env) {}
    bool Read(char* dst, std::size_t n, std::size_t* got) override {
      m_env->OnRead();
      return m_file->Read(dst, n, got);
    }

   private:
    std::unique_ptr<ReadableFile> m_file;
    ScriptedEnv* m_env;
  };

  void OnRead() {
    if (++m_reads != m_holdAt) return;
    m_holding = true;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRunLimitMs);
    while (!m_release() && std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    m_holding = false;
  }

  Env* m_base;
  std::atomic<bool> m_fixed{false};
  std::atomic<std::uint32_t> m_tick{0};
  std::atomic<bool> m_failFullPath{false};
  std::atomic<int> m_reads{0};
  int m_holdAt = 0;  // set before the run starts
  std::function<bool()> m_release;
  std::atomic<bool> m_holding{false};
};

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    framework::SetMessageBoxHook([this](QWidget*, const QString& text, const QString& caption,
                                        framework::MessageIcon icon,
                                        framework::MessageButtons buttons) {
      const auto* page = m_sheet ? m_sheet->GetActivePage() : nullptr;
      m_messages.push_back({text, caption, icon, page ? page->GetTemplateId() : 0, buttons});
      return buttons == framework::MessageButtons::Ok ? framework::MessageAnswer::Ok : m_answer;
    });
    NewSheet();
  }

  void TearDown() override {
    m_sheet.reset();
    framework::SetMessageBoxHook({});
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty()) << "a window outlived the sheet";
  }

  void NewSheet() {
    m_sheet.reset();
    m_sheet = std::make_unique<CVantorSheet>();
    m_sheet->show();
  }

  CProcessingPage& processing() { return *m_sheet->GetProcessingPage(); }
  CCompletionPage& completion() { return *m_sheet->GetCompletionPage(); }
  QPushButton* Button(framework::PropertySheet::Button which) { return m_sheet->GetButton(which); }
  void Next() { Button(framework::PropertySheet::Button::Next)->click(); }
  void Back() { Button(framework::PropertySheet::Button::Back)->click(); }
  int ActiveId() const {
    const auto* page = m_sheet->GetActivePage();
    return page ? page->GetTemplateId() : 0;
  }

  static void Type(framework::PropertyPage* page, int id, const QString& text) {
    if (text.isEmpty()) return;
    auto* field = page->GetDlgItemAs<QLineEdit>(id);
    ASSERT_NE(field, nullptr) << id;
    field->setText(text);
  }
  static void Click(framework::PropertyPage* page, int id) {
    auto* button = page->GetDlgItemAs<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << id;
    button->click();
  }

  // From the welcome page or the choose-actions page to the summary page, filling each
  // page on the way; `choose` false keeps the boxes as an earlier pass left them. False
  // (with a failure) when a page refused its Next.
  bool FillUpToSummary(const WizardJob& job, bool choose = true) {
    if (ActiveId() != kChooseActions) Next();
    EXPECT_EQ(ActiveId(), kChooseActions);
    CChooseItemsPage* page = m_sheet->GetChooseItemsPage();
    if (choose && job.merge) Click(page, CChooseItemsPage::IDC_MERGE);
    for (int id : choose ? job.actions : std::vector<int>{}) Click(page, id);
    for (int step = 0; step < 12 && ActiveId() != kSummary; ++step) {
      const std::size_t messages = m_messages.size();
      const int before = ActiveId();
      Fill(job);
      Next();
      if (m_messages.size() != messages || ActiveId() == before) {
        ADD_FAILURE() << "page " << before << " refused Next"
                      << (m_messages.size() != messages
                              ? ": " + m_messages.back().text.toStdString()
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

  // The labels of the six slots.
  std::vector<QString> Labels() {
    std::vector<QString> labels;
    for (int slot = 0; slot < CProcessingPage::kSlotCount; ++slot) {
      labels.push_back(processing().GetDlgItemText(CProcessingPage::IDC_FIRST_LABEL + 2 * slot));
    }
    return labels;
  }
  // The marks of the six slots: '.' empty, '>' arrow, 'v' check.
  std::string Marks() {
    std::string marks;
    for (int slot = 0; slot < CProcessingPage::kSlotCount; ++slot) {
      const CArrowCheckStatic* mark = processing().GetMark(slot);
      marks += mark == nullptr ? '?' : mark->IsArrow() ? '>' : mark->IsChecked() ? 'v' : '.';
    }
    return marks;
  }

  // The wizard made the active window, so that keys reach it.
  void Activate() {
    QApplication::setActiveWindow(m_sheet.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_sheet.get()));
  }
  // A key pressed and released where the focus is, as on a keyboard.
  void Key(Qt::Key key) { QTest::keyClick(m_sheet->focusWidget(), key); }

  std::vector<ShownMessage> m_messages;
  // The answer to a Yes/No box.
  framework::MessageAnswer m_answer = framework::MessageAnswer::No;
  std::unique_ptr<CVantorSheet> m_sheet;

 private:
  void Fill(const WizardJob& job) {
    framework::PropertyPage* page = m_sheet->GetActivePage();
    switch (ActiveId()) {
      case kInput:
        Type(page, CSingleListPage::IDC_INPUT_FILE, job.input);
        break;
      case kOutput:
        if (job.replaceInput) Click(page, COutputPage::IDC_REPLACE_INPUT);
        Type(page, COutputPage::IDC_OUTPUT_FILE, job.output);
        break;
      case kFilter:
        Type(page, CFilterPage::IDC_FILTER_FILE, job.filter);
        break;
      case kRearrange:
        Click(page, job.rearrange);
        break;
      case kInclude:
        Type(page, CIncludePage::IDC_INCLUDE_EMAIL, job.includeEmail);
        Type(page, CIncludePage::IDC_INCLUDE_PERIOD, job.includePeriod);
        break;
      case kExtract:
        Type(page, CExtractPage::IDC_EXTRACT_COUNT, job.extractCount);
        break;
      case kSplit:
        Click(page,
              job.splitByCount ? CSplitPage::IDC_SPLIT_BY_COUNT : CSplitPage::IDC_SPLIT_BY_SIZE);
        Type(
            page,
            job.splitByCount ? CSplitPage::IDC_EMAILS_PER_PART : CSplitPage::IDC_KILOBYTES_PER_PART,
            job.splitSize);
        break;
      case kMerge:
        if (auto* list = page->GetDlgItemAs<QListWidget>(CMergePage::IDC_FILE_LIST)) {
          list->addItems(job.mergeFiles);
        }
        Type(page, CMergePage::IDC_OUTPUT_FILE, job.output);
        break;
      default:
        break;
    }
  }
};

}  // namespace vantor::wizard::testing

#endif  // VANTOR_TESTS_WIZARD_RUN_DRIVER_H_
