#include "engine/dedupe.h"

#include <stdexcept>

namespace vantor {

void RemoveLaterRepeats(RunContext&) {
  throw std::logic_error("RemoveLaterRepeats is not built yet");
}

}  // namespace vantor
