// The processing page through the real sheet: runs that give the batch tool's files, the
// slots and marks of the actions, an error, Cancel during a run and the question before
// it, the keys that must not stop a run, the elapsed time with the time left and the bar
// of the share done, and a destination without a temporary directory.
#include "wizard/processing_page.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/fault_env.h"
#include "tests/support/test_files.h"
#include "tests/wizard/wizard_driver.h"
#include "wizard/framework/qt/page_items.h"
#include "wizard/framework/qt/sheet_dialog.h"

namespace vantor::wizard::test {
namespace {

using vantor::testing::FaultEnv;
using vantor::testing::ReadFile;
using vantor::testing::TempDir;
using vantor::testing::WriteFile;
using Button = framework::PropertySheet::Button;
using Choose = CChooseItemsPage;

constexpr std::uint32_t kSeed = 20240917;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A list of `count` addresses over a few domains, with duplicates, case variants, some
// CR LF line ends and a last line without its line end.
std::string MakeList(int count, std::uint32_t seed) {
  std::mt19937 random(seed);
  const char* domains[] = {"example.com", "Mail.example.org", "post.test",
                           "zeta.net",    "alpha.io",         "list.example.com"};
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) {
    std::string user;
    const int length = 3 + static_cast<int>(random() % 9);
    for (int k = 0; k < length; ++k) user += static_cast<char>('a' + random() % 26);
    std::string line = user + "@" + domains[random() % std::size(domains)];
    if (!lines.empty() && random() % 10 == 0) line = lines[random() % lines.size()];
    if (random() % 25 == 0) line[0] = static_cast<char>(line[0] - 'a' + 'A');
    lines.push_back(line);
  }
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    text += lines[i];
    if (i + 1 < lines.size()) text += random() % 7 == 0 ? "\r\n" : "\n";
  }
  return text;
}

// The files of a directory and their bytes.
std::vector<std::pair<std::string, std::string>> Contents(const TempDir& dir) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const std::string& name : dir.List()) files.emplace_back(name, ReadFile(dir.File(name)));
  return files;
}

std::string WithLineFeeds(const std::string& text) {
  return QString::fromStdString(text)
      .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
      .toStdString();
}

// Runs vantor-cli in `directory`; its standard output.
std::string RunBatchTool(const QStringList& arguments, const std::string& directory) {
  QProcess tool;
  tool.setWorkingDirectory(Q(directory));
  tool.start(QStringLiteral(VANTOR_CLI_PATH), arguments);
  EXPECT_TRUE(tool.waitForFinished(kRunLimitMs));
  EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
  return tool.readAllStandardOutput().toStdString();
}

// The report of the batch tool without its last line, which tells the time taken.
std::string WithoutDuration(const std::string& report) {
  const std::size_t last = report.rfind("Processing has taken ");
  EXPECT_NE(last, std::string::npos) << report;
  return report.substr(0, last);
}

class ProcessingPageTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    processing().SetFixedSeed(kSeed);
  }

  TempDir m_in;  // the lists the jobs read
};

TEST_F(ProcessingPageTest, SingleListJobWritesWhatTheBatchToolWrites) {
  WriteFile(m_in.File("in.txt"), MakeList(30000, 1));
  WriteFile(m_in.File("filter.txt"), "zeta.net\nqu\r\n");
  TempDir wizardOut;
  TempDir toolOut;

  WizardJob job;
  job.actions = {Choose::IDC_SPLIT,   Choose::IDC_REARRANGE, Choose::IDC_REMOVE_DUPLICATES,
                 Choose::IDC_EXTRACT, Choose::IDC_INCLUDE,   Choose::IDC_FILTER};
  job.input = Q(m_in.File("in.txt"));
  job.output = Q(wizardOut.File("out.txt"));
  job.filter = Q(m_in.File("filter.txt"));
  job.rearrange = CRearrangePage::IDC_SORT_BY_DOMAIN;
  job.includeEmail = QStringLiteral("  offers@vantor.test ");
  job.includePeriod = QStringLiteral("1000");
  job.extractCount = QStringLiteral("9000");
  job.splitSize = QStringLiteral("2500");
  ASSERT_TRUE(RunJob(job));
  EXPECT_TRUE(m_messages.empty()) << m_messages.front().text;

  const std::string report = RunBatchTool(
      {"-q", "--filter", Q(m_in.File("filter.txt")), "--sort-domain", "--remove-duplicates",
       "--include", "offers@vantor.test", "--every", "1000", "--extract", "9000", "--split-count",
       "2500", "--seed", QString::number(kSeed), "-o", "out.txt", Q(m_in.File("in.txt"))},
      toolOut.path());
  const auto written = Contents(wizardOut);
  EXPECT_EQ(written.size(), 5u) << "out.txt and four parts";
  EXPECT_TRUE(written == Contents(toolOut)) << "the wizard's files differ from the tool's";

  ASSERT_EQ(ActiveId(), kCompletion);
  const RunOutcome& outcome = m_sheet->GetLastOutcome();
  EXPECT_TRUE(outcome.completed);
  EXPECT_EQ(WithLineFeeds(outcome.results), WithoutDuration(report));
  EXPECT_TRUE(QString::fromStdString(outcome.results)
                  .contains(QRegularExpression(
                      QStringLiteral("\r\n[1-9][0-9]* duplicate\\(s\\) found\r\n"))))
      << outcome.results;
  const std::string shown = completion().GetResultsText();
  EXPECT_TRUE(shown.starts_with(outcome.results));
  EXPECT_TRUE(shown.substr(outcome.results.size()).starts_with("Processing has taken ")) << shown;
  EXPECT_TRUE(shown.ends_with("\r\n"));
  EXPECT_TRUE(Button(Button::Back)->isEnabled());
  EXPECT_TRUE(Button(Button::Finish)->isVisible());
  EXPECT_TRUE(Button(Button::Finish)->isEnabled());
}

// The actions beside the design's: cleaning, the filter page's file as a suppression list,
// and keep-order duplicate removal, in their slots and with the batch tool's bytes.
TEST_F(ProcessingPageTest, CleanSuppressAndKeepOrderWriteWhatTheBatchToolWrites) {
  WriteFile(m_in.File("in.txt"), MakeList(20000, 3) + "\n  not an address \n\t\n");
  WriteFile(m_in.File("off.txt"), " ZETA.NET \nnobody@nowhere.test\n" + MakeList(300, 3));
  TempDir wizardOut;
  TempDir toolOut;
  WizardJob job;
  job.actions = {Choose::IDC_CLEAN, Choose::IDC_FILTER, Choose::IDC_REARRANGE};
  job.input = Q(m_in.File("in.txt"));
  job.output = Q(wizardOut.File("out.txt"));
  job.filter = Q(m_in.File("off.txt"));
  job.filterEquals = true;
  job.rearrange = CRearrangePage::IDC_KEEP_ORDER;
  ASSERT_TRUE(RunJob(job));
  EXPECT_TRUE(m_messages.empty()) << m_messages.front().text;
  EXPECT_EQ(Labels()[0], "Cleaning list");
  EXPECT_EQ(Labels()[1], "Suppressing emails");
  EXPECT_EQ(Labels()[2], "Removing duplicates, order kept");

  const std::string report = RunBatchTool({"-q", "--clean", "--suppress", Q(m_in.File("off.txt")),
                                           "--dedupe", "-o", "out.txt", Q(m_in.File("in.txt"))},
                                          toolOut.path());
  EXPECT_TRUE(Contents(wizardOut) == Contents(toolOut)) << "the wizard's file differs";
  EXPECT_EQ(WithLineFeeds(m_sheet->GetLastOutcome().results), WithoutDuration(report));
  EXPECT_LT(ReadFile(wizardOut.File("out.txt")).size(), ReadFile(m_in.File("in.txt")).size());
}

TEST_F(ProcessingPageTest, MergeJobWritesWhatTheBatchToolWrites) {
  WriteFile(m_in.File("a.txt"), "ann@x.org\r\nbob@y.org");
  WriteFile(m_in.File("b.txt"), "");
  WriteFile(m_in.File("c.txt"), MakeList(5000, 2) + "\n");
  TempDir wizardOut;
  TempDir toolOut;
  const QStringList lists = {Q(m_in.File("a.txt")), Q(m_in.File("b.txt")), Q(m_in.File("c.txt")),
                             Q(m_in.File("a.txt"))};

  WizardJob job;
  job.merge = true;
  job.mergeFiles = lists;
  job.output = Q(wizardOut.File("all.txt"));
  ASSERT_TRUE(RunJob(job));

  const std::string report =
      RunBatchTool(QStringList{"-q", "--merge", "-o", "all.txt"} + lists, toolOut.path());
  EXPECT_TRUE(Contents(wizardOut) == Contents(toolOut));
  EXPECT_EQ(ReadFile(wizardOut.File("all.txt")).substr(0, 22), "ann@x.org\r\nbob@y.org\r\n");
  EXPECT_EQ(WithLineFeeds(m_sheet->GetLastOutcome().results), WithoutDuration(report));
  EXPECT_TRUE(Has(completion().GetResultsText(), "Processing has taken "));
}

struct SlotCase {
  const char* name;
  std::vector<int> actions;
  bool merge;
  std::vector<std::string> labels;
  std::string marksAfterRun;
};

TEST_F(ProcessingPageTest, EachChosenActionGetsTheNextSlotAndIsCheckedWhenDone) {
  WriteFile(m_in.File("in.txt"), MakeList(200, 3));
  WriteFile(m_in.File("in2.txt"), MakeList(50, 4));
  WriteFile(m_in.File("filter.txt"), "zeta\n");
  const SlotCase cases[] = {
      {"filter, include and split fill the left column",
       {Choose::IDC_SPLIT, Choose::IDC_INCLUDE, Choose::IDC_FILTER},
       false,
       {"Filtering list", "Including email", "Splitting list", "", "", ""},
       "vvv..."},
      {"all five actions",
       {Choose::IDC_SPLIT, Choose::IDC_EXTRACT, Choose::IDC_INCLUDE, Choose::IDC_REARRANGE,
        Choose::IDC_FILTER},
       false,
       {"Filtering list", "Randomizing list", "Including email", "Extracting random sublist",
        "Splitting list", ""},
       "vvvvv."},
      {"merge alone", {}, true, {"Merging lists into single list", "", "", "", "", ""}, "v....."},
  };
  for (const SlotCase& c : cases) {
    SCOPED_TRACE(c.name);
    NewSheet();
    processing().SetFixedSeed(kSeed);
    TempDir out;
    WizardJob job;
    job.actions = c.actions;
    job.merge = c.merge;
    job.input = Q(m_in.File("in.txt"));
    job.output = Q(out.File("out.txt"));
    job.filter = Q(m_in.File("filter.txt"));
    job.rearrange = CRearrangePage::IDC_RANDOMIZE;
    job.includeEmail = QStringLiteral("x@y.z");
    job.includePeriod = QStringLiteral("7");
    job.extractCount = QStringLiteral("100");
    job.splitSize = QStringLiteral("40");
    job.mergeFiles = {Q(m_in.File("in.txt")), Q(m_in.File("in2.txt"))};
    ASSERT_TRUE(RunJob(job));
    EXPECT_EQ(ActiveId(), kCompletion);
    EXPECT_EQ(Labels(), c.labels);
    EXPECT_EQ(Marks(), c.marksAfterRun);
    const ProcessingJob& run = processing().GetJob();
    if (c.merge) {
      EXPECT_EQ(run.mergeSlot, 0);
    } else {
      EXPECT_EQ(run.filterSlot, 0);
      EXPECT_EQ(run.splitSlot, static_cast<int>(c.actions.size()) - 1);
    }
  }
}

TEST_F(ProcessingPageTest, AnErrorIsShownBeforeTheCompletionPageAndANewRunWorksAfterBack) {
  WriteFile(m_in.File("in.txt"), MakeList(500, 5));
  WriteFile(m_in.File("filter.txt"), "zeta\n");
  TempDir out;
  FaultEnv faults;
  // The filter's result is the first temporary file, the sort's first part the second.
  faults.FailCallOf(vantor::testing::Call::TempName, 2);
  processing().SetEnv(&faults);

  WizardJob job;
  job.actions = {Choose::IDC_FILTER, Choose::IDC_REARRANGE, Choose::IDC_SPLIT};
  job.input = Q(m_in.File("in.txt"));
  job.output = Q(out.File("out.txt"));
  job.filter = Q(m_in.File("filter.txt"));
  job.splitSize = QStringLiteral("100");
  ASSERT_TRUE(RunJob(job));

  // The file and the reason the run noted follow the error: here the fault's own words.
  const QString error = QStringLiteral(
      "Error occured while processing lists:\r\nfailed to get temp file name\r\ninjected fault");
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text, error.toStdString());
  EXPECT_EQ(m_messages[0].caption, "Error occured");
  EXPECT_EQ(m_messages[0].icon, framework::MessageIcon::Stop);
  EXPECT_EQ(m_messages[0].activePage, kProcessing) << "the box comes before the completion page";
  EXPECT_EQ(ActiveId(), kCompletion);
  EXPECT_FALSE(m_sheet->GetLastOutcome().completed);
  EXPECT_EQ(m_sheet->GetLastOutcome().elapsedMs, 0u) << "a failed run has no duration";
  EXPECT_EQ(Marks(), "v>....") << "the filter done, the sort failed, the split never began";
  const std::string shown = completion().GetResultsText();
  EXPECT_TRUE(shown.starts_with("Filter list:\r\n")) << shown;
  EXPECT_TRUE(shown.ends_with(error.toStdString())) << shown;
  EXPECT_FALSE(Has(shown, "Processing has taken"));
  EXPECT_EQ(shown, m_sheet->GetLastOutcome().results);

  faults.ClearFaults();
  Back();
  ASSERT_EQ(ActiveId(), kChooseActions);
  ASSERT_TRUE(RunJob(job, /*choose=*/false));
  EXPECT_EQ(m_messages.size(), 1u);
  EXPECT_TRUE(m_sheet->GetLastOutcome().completed);
  EXPECT_EQ(Marks(), "vvv...");
  EXPECT_TRUE(Has(completion().GetResultsText(), "Processing has taken "));
  EXPECT_FALSE(Has(completion().GetResultsText(), "Error occured"));
  EXPECT_TRUE(vantor::testing::FileExists(out.File("out1.txt")));
}

// A result that could not be put in place is refused before the first action starts.
// A list to merge that goes away while the run reads the one before it: the box names
// it, and Back on the results leads to its entry on the merge page.
TEST_F(ProcessingPageTest, AFileThatFailsTheRunIsNamedAndBackLeadsToItsField) {
  WriteFile(m_in.File("a.txt"), MakeList(50, 5));
  WriteFile(m_in.File("b.txt"), MakeList(50, 6));
  WriteFile(m_in.File("c.txt"), MakeList(50, 7));
  FaultEnv env;
  std::atomic<bool> release{false};
  env.HoldRead(1, [&release] { return release.load(); });
  processing().SetEnv(&env);
  WizardJob job;
  job.merge = true;
  job.mergeFiles = {Q(m_in.File("a.txt")), Q(m_in.File("b.txt")), Q(m_in.File("c.txt"))};
  job.output = Q(m_in.File("all.txt"));
  ASSERT_TRUE(FillUpToSummary(job));
  Next();
  ASSERT_TRUE(QTest::qWaitFor([&env] { return env.holding(); }, kRunLimitMs));
  ASSERT_EQ(::unlink(m_in.File("b.txt").c_str()), 0);
  release = true;
  ASSERT_TRUE(WaitForRunEnd());
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text,
            "Error occured while processing lists:\r\nfailed to open input file for reading\r\n"
            "cannot open '" +
                m_in.File("b.txt") + "': No such file or directory");
  EXPECT_FALSE(vantor::testing::FileExists(m_in.File("all.txt")));

  Back();
  EXPECT_EQ(ActiveId(), kMerge);
  EXPECT_TRUE(HasFocus(CMergePage::IDC_FILE_LIST));
  EXPECT_EQ(framework::qt::ItemAs<QListWidget>(Active(), CMergePage::IDC_FILE_LIST)->currentRow(),
            1);
  // An error that names no file of the job leads to the choose-actions page, as before.
  m_sheet->SetLastOutcome({.results = {},
                           .elapsedMs = 0,
                           .completed = false,
                           .fileAtFault = m_in.File("elsewhere.txt")});
  m_sheet->SetActivePage(m_sheet->GetCompletionPage());
  Back();
  EXPECT_EQ(ActiveId(), kChooseActions);
}

// A run held at a read of its first action, with chunks small enough for many reads.
class HeldRunTest : public ProcessingPageTest {
 protected:
  void StartHeldRun(int read) {
    WriteFile(m_in.File("in.txt"), MakeList(4000, 6));
    WriteFile(m_out.File("out.txt"), "the old list\n");
    ChunkSizes sizes;
    sizes.list = 4096;
    sizes.merge = 4096;
    sizes.writeBuffer = 1024;
    processing().SetChunkSizes(sizes);
    processing().SetEnv(&m_env);
    CProcessingPage* page = &processing();
    m_env.HoldRead(
        read, [this, page] { return m_release.load() || !page->GetJob().runPermission->IsSet(); });

    WizardJob job;
    job.actions = {Choose::IDC_REARRANGE, Choose::IDC_SPLIT};
    job.input = Q(m_in.File("in.txt"));
    job.output = Q(m_out.File("out.txt"));
    job.splitSize = QStringLiteral("100");
    ASSERT_TRUE(FillUpToSummary(job));
    // With the mouse, as most runs are started.
    QTest::mouseClick(Button(Button::Next), Qt::LeftButton);
    ASSERT_EQ(ActiveId(), kProcessing);
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_env.holding(); }, kRunLimitMs));
  }

  QProgressBar* Bar() {
    return framework::qt::ItemAs<QProgressBar>(processing(), CProcessingPage::IDC_PROGRESS);
  }
  std::string Elapsed() { return processing().GetDlgItemText(CProcessingPage::IDC_ELAPSED); }

  FaultEnv m_env;
  std::atomic<bool> m_release{false};  // lets the held read go on
  TempDir m_out;
  JobFraction m_fraction;  // the page follows it instead of the run's when told to
};

TEST_F(HeldRunTest, CancelStopsTheRunAndLeavesTheDestinationAsItWas) {
  StartHeldRun(4);
  EXPECT_TRUE(processing().IsRunning());
  EXPECT_FALSE(Button(Button::Back)->isEnabled());
  EXPECT_FALSE(Button(Button::Next)->isEnabled() && Button(Button::Next)->isVisible());
  EXPECT_FALSE(Button(Button::Finish)->isVisible() && Button(Button::Finish)->isEnabled());
  EXPECT_TRUE(Button(Button::Cancel)->isEnabled());
  EXPECT_EQ(Labels()[0], "Sorting list by email");
  // The texts posted before the held read reach their lines.
  EXPECT_TRUE(QTest::qWaitFor(
      [this] {
        return Has(processing().GetDlgItemText(CProcessingPage::IDC_INFO2), "part(s) done");
      },
      kRunLimitMs));
  EXPECT_EQ(Marks(), ">.....");

  m_answer = framework::MessageAnswer::Yes;
  Button(Button::Cancel)->click();
  EXPECT_FALSE(framework::qt::DialogOf(*m_sheet)->isVisible());
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->result(), QDialog::Rejected);
  EXPECT_FALSE(processing().IsRunning());
  EXPECT_EQ(ReadFile(m_out.File("out.txt")), "the old list\n");
  EXPECT_EQ(m_out.List(), std::vector<std::string>{"out.txt"}) << "no part, no temporary file";
  EXPECT_TRUE(processing().GetJob().runPermission->IsSet()) << "set again for the next run";
  EXPECT_EQ(m_messages.size(), 1u) << "the question only";

  // The run's last messages, WMU_DONE among them, were posted before the worker ended;
  // delivered now, they must not move the closed sheet.
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(ActiveId(), kProcessing);
  EXPECT_EQ(m_messages.size(), 1u);
}

TEST_F(HeldRunTest, CancelEscAndTheCloseBoxAskFirstAndNoLetsTheRunGoOn) {
  StartHeldRun(4);
  Activate();
  const std::pair<const char*, std::function<void()>> ways[] = {
      {"Cancel", [this] { QTest::mouseClick(Button(Button::Cancel), Qt::LeftButton); }},
      {"Esc", [this] { Key(Qt::Key_Escape); }},
      {"close box", [this] { framework::qt::DialogOf(*m_sheet)->close(); }},
  };
  for (const auto& [name, press] : ways) {
    SCOPED_TRACE(name);
    m_messages.clear();
    press();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "Stop processing? The files will be left as they were.");
    EXPECT_EQ(m_messages[0].buttons, framework::MessageButtons::YesNo);
    EXPECT_EQ(m_messages[0].icon, framework::MessageIcon::Question);
    EXPECT_TRUE(processing().IsRunning());
    EXPECT_TRUE(framework::qt::DialogOf(*m_sheet)->isVisible());
    EXPECT_EQ(ActiveId(), kProcessing);
  }
  m_answer = framework::MessageAnswer::Yes;
  ways[1].second();
  EXPECT_FALSE(framework::qt::DialogOf(*m_sheet)->isVisible());
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->result(), QDialog::Rejected);
  EXPECT_FALSE(processing().IsRunning());
  EXPECT_EQ(ReadFile(m_out.File("out.txt")), "the old list\n");
}

// Esc pressed just before the run ends: with its last read held until the question is
// up, the run then ends by WMU_DONE, or by WMU_ERROR (the next read fails).
class StopQuestionTest : public HeldRunTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StopQuestionTest, ARunThatEndsWhileTheQuestionIsUpClosesItAndShowsItsResults) {
  const bool fails = GetParam();
  const QString question = QStringLiteral("Stop processing? The files will be left as they were.");
  if (fails) m_env.FailCallOf(vantor::testing::Call::Read, 5);
  StartHeldRun(4);
  Activate();
  // The real boxes: the question must close itself when the run ends under it.
  framework::SetMessageBoxHook({});
  QStringList shown;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || (!shown.isEmpty() && shown.back() == box->text())) return;
    shown.push_back(box->text());
    if (box->text() != question) {
      box->button(QMessageBox::Ok)->click();  // the error
      return;
    }
    m_release = true;
    QTimer::singleShot(5000, box, [box] {
      ADD_FAILURE() << "the question outlived the run";
      box->button(QMessageBox::Yes)->click();
    });
  });
  user.start(5);
  Key(Qt::Key_Escape);
  user.stop();

  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  ASSERT_FALSE(shown.isEmpty());
  EXPECT_EQ(shown.front(), question);
  EXPECT_EQ(shown.size(), fails ? 2 : 1);
  EXPECT_TRUE(framework::qt::DialogOf(*m_sheet)->isVisible());
  EXPECT_EQ(ActiveId(), kCompletion);
  EXPECT_EQ(m_sheet->GetLastOutcome().completed, !fails);
  EXPECT_EQ(m_out.List().size() == 1, fails) << "the parts are in place after a run done";
}

INSTANTIATE_TEST_SUITE_P(DoneOrError, StopQuestionTest, ::testing::Bool());

TEST_F(HeldRunTest, AStopAfterTheResultsWereInPlaceShowsThem) {
  StartHeldRun(4);
  Activate();
  m_release = true;
  // No event handled meanwhile: the page has not heard of the end yet, and may not have
  // been told of it at all.
  const auto placed = [this] {
    const std::vector<std::string> names = m_out.List();
    return std::find(names.begin(), names.end(), "out1.txt") != names.end();
  };
  for (int waited = 0; !placed() && waited < kRunLimitMs; waited += 5) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(placed()) << "the first part was not put in place";
  m_answer = framework::MessageAnswer::Yes;
  Key(Qt::Key_Escape);
  EXPECT_TRUE(framework::qt::DialogOf(*m_sheet)->isVisible());
  EXPECT_EQ(ActiveId(), kCompletion);
  EXPECT_TRUE(m_sheet->GetLastOutcome().completed);
}

TEST_F(HeldRunTest, EnterAndSpaceLeaveTheRunGoing) {
  StartHeldRun(4);
  Activate();
  EXPECT_NE(framework::qt::DialogOf(*m_sheet)->focusWidget(), Button(Button::Cancel));
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
    Key(key);
    EXPECT_TRUE(processing().IsRunning()) << key;
    EXPECT_TRUE(framework::qt::DialogOf(*m_sheet)->isVisible()) << key;
  }
  EXPECT_TRUE(m_messages.empty()) << "nor do they ask";
  EXPECT_EQ(ActiveId(), kProcessing);
}

TEST_F(HeldRunTest, TheTimerShowsTheTimeSinceTheStartAndThenTheTimeLeft) {
  processing().SetFraction(&m_fraction);  // nothing done yet: no time left to tell
  m_env.SetTick(5000);
  StartHeldRun(2);
  EXPECT_EQ(Elapsed(), "00:00:00");

  const struct {
    std::uint32_t ms;
    const char* shown;
  } times[] = {
      {0, "00:00:00"},
      {999, "00:00:00"},
      {59999, "00:00:59"},
      {3725000, "01:02:05"},
      {86400000, "24:00:00"},
      {360000000, "100:00:00"},
      {4294967295u, "1193:02:47"},
  };
  for (const auto& t : times) {
    m_env.SetTick(5000 + t.ms);
    processing().OnTimer();
    EXPECT_EQ(Elapsed(), t.shown) << t.ms;
  }
  // The clock wraps: the time is still counted from the start.
  m_env.SetTick(4999);
  processing().OnTimer();
  EXPECT_EQ(Elapsed(), "1193:02:47");

  // A quarter done in 30 seconds: three times as long again.
  m_fraction.Raise(250000);
  m_env.SetTick(5000 + 30000);
  processing().OnTimer();
  EXPECT_EQ(Elapsed(), "00:00:30 (about 00:01:30 left)");
}

TEST_F(HeldRunTest, TheBarShowsTheShareDoneNeverGoesBackAndStopsWithTheRun) {
  StartHeldRun(6);
  ASSERT_EQ(Bar()->minimum(), 0);
  ASSERT_EQ(Bar()->maximum(), CProcessingPage::kBarRange);
  // The run held part way through its sort: its own fraction reaches the bar by the timer.
  const std::uint32_t held = processing().GetJob().progress.Get();
  const int shown = static_cast<int>(held / (JobFraction::kWhole / CProcessingPage::kBarRange));
  ASSERT_GT(shown, 0);
  ASSERT_LT(shown, CProcessingPage::kBarRange / 2);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Bar()->value() == shown; }, 2000)) << Bar()->value();

  processing().SetFraction(&m_fraction);
  m_fraction.Raise(700000);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Bar()->value() == 700; }, 2000)) << Bar()->value();
  m_fraction.Reset();
  processing().OnBarTimer();
  EXPECT_EQ(Bar()->value(), 700) << "the bar went back";

  m_answer = framework::MessageAnswer::Yes;
  Button(Button::Cancel)->click();
  ASSERT_FALSE(processing().IsRunning());
  m_fraction.Raise(900000);
  QTest::qWait(700);
  EXPECT_EQ(Bar()->value(), 700) << "the bar moved after the run was stopped";
}

TEST_F(ProcessingPageTest, WithoutATemporaryDirectoryOnlyFinishIsLeft) {
  WriteFile(m_in.File("in.txt"), "a@b.c\n");
  FaultEnv env;
  env.FailFullPath(true);
  processing().SetEnv(&env);
  WizardJob job;
  job.actions = {Choose::IDC_EXTRACT};
  job.input = Q(m_in.File("in.txt"));
  job.output = Q(m_in.File("out.txt"));
  job.extractCount = QStringLiteral("1");
  ASSERT_TRUE(FillUpToSummary(job));
  Next();

  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text, "Failed to prepare temporary path.\nCannot continue.");
  EXPECT_EQ(m_messages[0].caption, "Error occured");
  EXPECT_EQ(m_messages[0].icon, framework::MessageIcon::Stop);
  EXPECT_EQ(ActiveId(), kProcessing);
  EXPECT_FALSE(processing().IsRunning());
  EXPECT_EQ(m_sheet->GetPageIndex(&completion()), -1);
  EXPECT_EQ(m_sheet->GetPage(m_sheet->GetPageCount() - 1), &processing());
  EXPECT_EQ(Labels()[0], "Extracting random sublist");
  EXPECT_FALSE(Button(Button::Back)->isEnabled());
  EXPECT_FALSE(Button(Button::Next)->isVisible());
  EXPECT_TRUE(Button(Button::Finish)->isVisible());
  EXPECT_TRUE(Button(Button::Finish)->isEnabled());

  Button(Button::Finish)->click();
  EXPECT_EQ(framework::qt::DialogOf(*m_sheet)->result(), QDialog::Accepted);
  EXPECT_EQ(m_in.List(), std::vector<std::string>{"in.txt"});
}

}  // namespace
}  // namespace vantor::wizard::test
