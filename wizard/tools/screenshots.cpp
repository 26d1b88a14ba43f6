// Renders the wizard's pages offscreen into PNG files, for the README:
//   vantor-screenshots DIR
// writes DIR/welcome.png and DIR/choose-actions.png.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <cstdio>

#include "wizard/choose_items_page.h"
#include "wizard/framework/property_sheet.h"
#include "wizard/sheet.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
  QDir().mkpath(dir);
  vantor::wizard::CVantorSheet sheet;
  sheet.show();
  bool ok = true;
  auto shot = [&](const char* name) {
    QApplication::processEvents();
    const QString path = dir + "/" + name + ".png";
    ok = sheet.grab().save(path) && ok;
    std::printf("%s\n", qPrintable(path));
  };
  shot("welcome");
  sheet.GetButton(vantor::framework::PropertySheet::Button::Next)->click();
  // A typical choice: filter, then sort by domain without duplicates.
  auto* choose = sheet.GetChooseItemsPage();
  for (int id : {1006, 1005, 1062}) static_cast<QAbstractButton*>(choose->GetDlgItem(id))->click();
  shot("choose-actions");
  return ok ? 0 : 1;
}
