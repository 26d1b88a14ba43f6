#include "engine/merge.h"

#include "engine/error.h"

namespace vantor {

void MergeLists(ActionRunner&) { Raise("this action is not available in this version"); }

}  // namespace vantor
