#include "engine/split.h"

#include "engine/error.h"

namespace vantor {

void SplitList(ActionRunner&) { Raise("this action is not available in this version"); }

}  // namespace vantor
