#include "wizard/app.h"

int main(int argc, char** argv) {
  vantor::wizard::CVantorApp app(argc, argv);
  return app.InitInstance();
}
