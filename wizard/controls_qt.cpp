// The wizard's controls as Qt widgets, known to the page builder by their class names.
#include "wizard/arrow_check_static.h"
#include "wizard/controls.h"
#include "wizard/framework/dialog_builder.h"
#include "wizard/hyperlink.h"

namespace vantor::wizard {

void RegisterControlClasses() {
  framework::RegisterCustomControl(kArrowCheckClass, &CArrowCheckStatic::Create);
  framework::RegisterCustomControl(kHyperLinkClass, &CHyperLink::Create);
}

}  // namespace vantor::wizard
