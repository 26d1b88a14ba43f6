// Renders the wizard's pages offscreen into PNG files, for the README:
//   vantor-screenshots DIR
//   vantor-screenshots --pages DIR
// writes DIR/welcome.png and DIR/choose-actions.png, then runs a real job (filter, sort
// by domain without duplicates, include) on a generated list of about 80 MiB in a
// temporary folder and writes DIR/processing.png mid-run (once the sort has begun and
// the time left is shown beside the bar of the share done) and DIR/completion.png.
// The job's reads are slowed, so that it lasts long enough for the time left to show.
// With --pages it writes DIR/01-welcome.png to DIR/13-completion.png instead: every page
// with the same contents from one run to the next (files in a fixed temporary folder, the
// run held at its first read with the clock stopped), to compare the look of two builds.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>

#include "engine/platform/env.h"
#include "wizard/choose_items_page.h"
#include "wizard/extract_page.h"
#include "wizard/filter_page.h"
#include "wizard/framework/dialog_hooks.h"
#include "wizard/framework/property_sheet.h"
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

namespace {

using vantor::framework::PropertyPage;
using vantor::wizard::CChooseItemsPage;
using vantor::wizard::CExtractPage;
using vantor::wizard::CFilterPage;
using vantor::wizard::CIncludePage;
using vantor::wizard::CMergePage;
using vantor::wizard::COutputPage;
using vantor::wizard::CProcessingPage;
using vantor::wizard::CRearrangePage;
using vantor::wizard::CSingleListPage;
using vantor::wizard::CSplitPage;

void Type(PropertyPage* page, int id, const QString& text) {
  vantor::framework::qt::ItemAs<QLineEdit>(*page, id)->setText(text);
}
void Click(PropertyPage* page, int id) {
  vantor::framework::qt::ItemAs<QAbstractButton>(*page, id)->click();
}

// A list of made-up addresses, big enough for the processing page to be seen at work.
bool WriteList(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  std::mt19937 random(7);
  const char* providers[] = {"mail.example", "post.example", "inbox.example"};
  QByteArray chunk;
  for (int i = 0; i < 3500000; ++i) {
    chunk += "user" + QByteArray::number(random() % 2000000) + "@";
    chunk += random() % 2 ? QByteArray(providers[random() % 3]) + ".com"
                          : "shop" + QByteArray::number(random() % 40000) + ".net";
    chunk += '\n';
    if (chunk.size() > (1 << 20)) {
      file.write(chunk);
      chunk.clear();
    }
  }
  file.write(chunk);
  return true;
}

// Reads that take a quarter of a second more each.
class SlowFile final : public vantor::ReadableFile {
 public:
  explicit SlowFile(std::unique_ptr<vantor::ReadableFile> file) : file_(std::move(file)) {}
  bool Read(char* dst, std::size_t n, std::size_t* got) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    return file_->Read(dst, n, got);
  }
  bool ReadAt(std::uint64_t offset, char* dst, std::size_t n, std::size_t* got) override {
    return file_->ReadAt(offset, dst, n, got);
  }

 private:
  std::unique_ptr<vantor::ReadableFile> file_;
};

class SlowEnv final : public vantor::EnvWrapper {
 public:
  SlowEnv() : EnvWrapper(vantor::Env::Default()) {}
  std::unique_ptr<vantor::ReadableFile> OpenForReading(const std::string& name) override {
    std::unique_ptr<vantor::ReadableFile> file = target()->OpenForReading(name);
    return file ? std::make_unique<SlowFile>(std::move(file)) : nullptr;
  }
};

// An Env whose calls from any thread but the one that made it wait until Release(), on a
// clock that stands still: the processing page shows the same thing each time.
class HeldEnv final : public vantor::EnvWrapper {
 public:
  HeldEnv() : EnvWrapper(vantor::Env::Default()) {}
  std::unique_ptr<vantor::ReadableFile> OpenForReading(const std::string& name) override {
    Hold();
    return target()->OpenForReading(name);
  }
  std::unique_ptr<vantor::Folder> OpenFolder(const std::string& path) override {
    Hold();
    return target()->OpenFolder(path);
  }
  vantor::Placement Place(const std::string& name) override {
    Hold();
    return target()->Place(name);
  }
  vantor::FileFacts Inspect(const std::string& name) override {
    Hold();
    return target()->Inspect(name);
  }
  std::uint32_t TickCount() override { return 0; }
  void Release() {
    std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }

 private:
  void Hold() {
    if (std::this_thread::get_id() == owner_) return;
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return open_; });
  }

  const std::thread::id owner_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

bool WriteText(const QString& path, const QByteArray& text) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// The --pages mode: every page of a single-list job with all its actions, then the merge
// page of a merge job.
int RenderPages(QApplication& app, const QString& dir) {
  using vantor::framework::PropertySheet;
  QDir work(QDir::tempPath() + QStringLiteral("/vantor-pages"));
  work.removeRecursively();
  if (!QDir().mkpath(work.path()) ||
      !WriteText(work.filePath("customers.txt"), "b@example.com\na@example.org\nc@example.net\n") ||
      !WriteText(work.filePath("unsubscribed.txt"), "c@\n")) {
    return 1;
  }
  HeldEnv held;
  vantor::wizard::CVantorSheet sheet;
  sheet.GetProcessingPage()->SetEnv(&held);
  sheet.GetProcessingPage()->SetFixedSeed(1);
  sheet.Show();
  bool ok = true;
  int n = 0;
  auto shot = [&](const char* name) {
    QApplication::processEvents();
    const QString path = dir + QString::asprintf("/%02d-%s.png", ++n, name);
    ok = vantor::framework::qt::DialogOf(sheet)->grab().save(path) && ok;
    std::printf("%s\n", qPrintable(path));
  };
  auto press = [&](PropertySheet::Button button) {
    vantor::framework::qt::ButtonOf(sheet, button)->click();
  };
  auto next = [&] { press(PropertySheet::Button::Next); };
  PropertyPage* page = nullptr;
  auto go = [&] {
    next();
    page = sheet.GetActivePage();
  };

  shot("welcome");
  go();
  for (int id : {CChooseItemsPage::IDC_FILTER, CChooseItemsPage::IDC_REARRANGE,
                 CChooseItemsPage::IDC_INCLUDE, CChooseItemsPage::IDC_EXTRACT,
                 CChooseItemsPage::IDC_SPLIT}) {
    Click(page, id);
  }
  shot("choose-actions");
  go();
  Type(page, CSingleListPage::IDC_INPUT_FILE, work.filePath("customers.txt"));
  shot("input");
  go();
  Type(page, COutputPage::IDC_OUTPUT_FILE, work.filePath("clean.txt"));
  shot("output");
  go();
  Type(page, CFilterPage::IDC_FILTER_FILE, work.filePath("unsubscribed.txt"));
  shot("filter");
  go();
  Click(page, CRearrangePage::IDC_SORT_BY_DOMAIN);
  shot("rearrange");
  go();
  Type(page, CIncludePage::IDC_INCLUDE_EMAIL, "seed@example.com");
  Type(page, CIncludePage::IDC_INCLUDE_PERIOD, "2");
  shot("include");
  go();
  Type(page, CExtractPage::IDC_EXTRACT_COUNT, "2");
  shot("extract");
  go();
  Click(page, CSplitPage::IDC_SPLIT_BY_COUNT);
  Type(page, CSplitPage::IDC_EMAILS_PER_PART, "1");
  shot("split");
  go();
  shot("summary");
  go();
  shot("processing");
  held.Release();
  QElapsedTimer waited;
  waited.start();
  while (sheet.GetActivePage()->GetTemplateId() != vantor::wizard::kCompletion) {
    if (waited.elapsed() > 60000) return 1;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  shot("completion");

  // The merge page, in a merge job.
  press(PropertySheet::Button::Back);
  if (sheet.GetActivePage()->GetTemplateId() != vantor::wizard::kChooseActions) return 1;
  page = sheet.GetActivePage();
  Click(page, CChooseItemsPage::IDC_MERGE);
  go();
  page->ListAddString(CMergePage::IDC_FILE_LIST, work.filePath("customers.txt").toStdString());
  page->ListAddString(CMergePage::IDC_FILE_LIST, work.filePath("unsubscribed.txt").toStdString());
  Type(page, CMergePage::IDC_OUTPUT_FILE, work.filePath("all.txt"));
  shot("merge");
  (void)app;
  return ok && n == 13 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bool pages = argc > 1 && std::strcmp(argv[1], "--pages") == 0;
  const int dirArg = pages ? 2 : 1;
  const QString dir = argc > dirArg ? QString::fromLocal8Bit(argv[dirArg]) : QStringLiteral("docs");
  QDir().mkpath(dir);
  vantor::framework::SetMessageBoxHook([](vantor::framework::NativeWindow, const std::string& text,
                                          const std::string&, vantor::framework::MessageIcon,
                                          vantor::framework::MessageButtons) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return vantor::framework::MessageAnswer::No;
  });
  // The pages are walked through at once, far within the guard against double clicks.
  vantor::framework::PropertySheet::SetPressGuard(std::chrono::milliseconds(0));
  if (pages) return RenderPages(app, dir);
  vantor::wizard::CVantorSheet sheet;
  SlowEnv slow;
  sheet.GetProcessingPage()->SetEnv(&slow);
  sheet.Show();
  bool ok = true;
  auto shot = [&](const char* name) {
    QApplication::processEvents();
    const QString path = dir + "/" + name + ".png";
    ok = vantor::framework::qt::DialogOf(sheet)->grab().save(path) && ok;
    std::printf("%s\n", qPrintable(path));
  };
  auto next = [&] {
    vantor::framework::qt::ButtonOf(sheet, vantor::framework::PropertySheet::Button::Next)->click();
  };

  shot("welcome");
  next();
  auto* choose = sheet.GetChooseItemsPage();
  for (int id : {CChooseItemsPage::IDC_FILTER, CChooseItemsPage::IDC_REARRANGE,
                 CChooseItemsPage::IDC_INCLUDE}) {
    Click(choose, id);
  }
  shot("choose-actions");

  QTemporaryDir work;
  if (!work.isValid() || !WriteList(work.filePath("customers.txt"))) return 1;
  QFile filter(work.filePath("unsubscribed.txt"));
  if (!filter.open(QIODevice::WriteOnly)) return 1;
  filter.write("user1\nshop7\n");
  filter.close();
  next();
  Type(sheet.GetActivePage(), CSingleListPage::IDC_INPUT_FILE, work.filePath("customers.txt"));
  next();
  Type(sheet.GetActivePage(), COutputPage::IDC_OUTPUT_FILE, work.filePath("clean.txt"));
  next();
  Type(sheet.GetActivePage(), CFilterPage::IDC_FILTER_FILE, work.filePath("unsubscribed.txt"));
  next();
  Click(sheet.GetActivePage(), CRearrangePage::IDC_SORT_BY_DOMAIN);
  next();
  Type(sheet.GetActivePage(), CIncludePage::IDC_INCLUDE_EMAIL, "seed@example.com");
  Type(sheet.GetActivePage(), CIncludePage::IDC_INCLUDE_PERIOD, "5000");
  next();  // the summary
  next();  // the run starts

  // The processing page once the sort has begun and the time left can be told, then the
  // completion page.
  bool processingShot = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    const int page = sheet.GetActivePage()->GetTemplateId();
    const std::string info2 = sheet.GetActivePage()->GetDlgItemText(CProcessingPage::IDC_INFO2);
    const std::string elapsed = sheet.GetActivePage()->GetDlgItemText(CProcessingPage::IDC_ELAPSED);
    if (page == vantor::wizard::kProcessing && !processingShot &&
        info2.find("part(s) done") != std::string::npos &&
        info2.find(" 0 part(s)") == std::string::npos &&
        elapsed.find("left") != std::string::npos) {
      shot("processing");
      processingShot = true;
    }
    if (page == vantor::wizard::kCompletion) {
      shot("completion");
      poll.stop();
      app.quit();
    }
  });
  poll.start(20);
  app.exec();
  return ok && processingShot ? 0 : 1;
}
