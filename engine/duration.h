// The words for how long a run took, as both front ends show them after
// "Processing has taken ": "1 hour 2 minutes 3.5 seconds", "1 second(s)", and nothing
// at all for 0 ms.
#ifndef VANTOR_ENGINE_DURATION_H_
#define VANTOR_ENGINE_DURATION_H_

#include <cstdint>
#include <string>

namespace vantor {

std::string FormatDuration(std::uint32_t ms);

}  // namespace vantor

#endif  // VANTOR_ENGINE_DURATION_H_
