// The main of the wizard tests: one QApplication on the offscreen platform for all.
#include <gtest/gtest.h>

#include <QApplication>

// Qt and fontconfig keep caches until the process ends, which the leak checker of a
// sanitized build would report on every test.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
