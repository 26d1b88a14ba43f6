#ifndef VANTOR_ENGINE_EXTRACT_H_
#define VANTOR_ENGINE_EXTRACT_H_

namespace vantor {

class ActionRunner;

void ExtractRandomSublist(ActionRunner& runner);

}  // namespace vantor

#endif  // VANTOR_ENGINE_EXTRACT_H_
