#include "wizard/app.h"

#include "engine/version.h"
#include "wizard/decoration.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

CVantorApp::CVantorApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("vantor"));
  setApplicationVersion(QStringLiteral(VANTOR_VERSION));
  setDesktopFileName(QStringLiteral("vantor"));
  setWindowIcon(MakeAppIcon());
}

int CVantorApp::InitInstance() {
  CVantorSheet sheet;
  sheet.DoModal();
  return 0;
}

}  // namespace vantor::wizard
