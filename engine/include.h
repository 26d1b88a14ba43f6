#ifndef VANTOR_ENGINE_INCLUDE_H_
#define VANTOR_ENGINE_INCLUDE_H_

namespace vantor {

class ActionRunner;

void IncludeEmail(ActionRunner& runner);

}  // namespace vantor

#endif  // VANTOR_ENGINE_INCLUDE_H_
