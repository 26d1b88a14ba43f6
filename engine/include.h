// Puts one given address into the list after every N addresses. The list is copied in
// runs of N lines straight from the read buffer, each run followed by the address.
#ifndef VANTOR_ENGINE_INCLUDE_H_
#define VANTOR_ENGINE_INCLUDE_H_

namespace vantor {

class RunContext;

void IncludeEmail(RunContext& run);

}  // namespace vantor

#endif  // VANTOR_ENGINE_INCLUDE_H_
