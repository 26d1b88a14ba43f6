// The pictures that dress the pages, made at the size their control was given: the
// header picture at the right of the band on top of most pages, and the left panel of
// the welcome and completion pages. Empty when the picture is missing. User-interface
// thread only.
#ifndef VANTOR_WIZARD_PICTURES_H_
#define VANTOR_WIZARD_PICTURES_H_

#include "wizard/framework/types.h"

namespace vantor::wizard {

framework::Picture HeaderPicture(framework::Size size);
framework::Picture Watermark(framework::Size size);

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_PICTURES_H_
