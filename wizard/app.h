// The application object: the program is one modal wizard and ends when it closes.
#ifndef VANTOR_WIZARD_APP_H_
#define VANTOR_WIZARD_APP_H_

#include <QApplication>

namespace vantor::wizard {

class CVantorApp : public QApplication {
 public:
  CVantorApp(int& argc, char** argv);

  // Runs the wizard until Finish or Cancel; returns the program's exit status, 0.
  int InitInstance();
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_APP_H_
