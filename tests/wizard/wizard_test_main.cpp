// The main of the wizard tests: one QApplication on the offscreen platform for all, no
// guard against double clicks, and a working folder of their own that holds the files
// the tests' lists name (in.txt, filter.txt, filter names with blanks, which the filter
// page keeps, names beyond ASCII): the pages check that the files they name can be read.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>

#include "wizard/framework/property_sheet.h"

// Qt and fontconfig keep caches until the process ends, which the leak checker of a
// sanitized build would report on every test.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The tests press the buttons far faster than a hand; the guard's own tests turn it on.
  vantor::framework::PropertySheet::SetPressGuard(std::chrono::milliseconds(0));
  QTemporaryDir folder;
  for (const char* name :
       {"in.txt", "filter.txt", " filter.txt", " filter.txt ", "other.txt", "my lists/in put.txt",
        "z\u00e9/\u00e9t\u00e9.txt", "lists/a.txt", "lists/b b.txt"}) {
    const QString path = folder.filePath(QString::fromUtf8(name));
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly) ||
        file.write("a@example.com\n") < 0) {
      return 1;
    }
  }
  if (!folder.isValid() || !QDir::setCurrent(folder.path())) return 1;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
