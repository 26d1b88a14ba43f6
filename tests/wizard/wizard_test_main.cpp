// The main of the wizard tests: one QApplication on the offscreen platform for all, and
// no guard against double clicks.
#include <gtest/gtest.h>

#include <QApplication>
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
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
