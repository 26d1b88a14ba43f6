#include "engine/include.h"

#include "engine/error.h"

namespace vantor {

void IncludeEmail(ActionRunner&) { Raise("this action is not available in this version"); }

}  // namespace vantor
