#include "engine/extract.h"

#include "engine/error.h"

namespace vantor {

void ExtractRandomSublist(ActionRunner&) { Raise("this action is not available in this version"); }

}  // namespace vantor
