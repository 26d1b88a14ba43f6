#include "engine/clean.h"

#include <stdexcept>

namespace vantor {

void CleanList(RunContext&) { throw std::logic_error("CleanList is not built yet"); }

}  // namespace vantor
