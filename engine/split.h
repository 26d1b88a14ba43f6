#ifndef VANTOR_ENGINE_SPLIT_H_
#define VANTOR_ENGINE_SPLIT_H_

namespace vantor {

class ActionRunner;

void SplitList(ActionRunner& runner);

}  // namespace vantor

#endif  // VANTOR_ENGINE_SPLIT_H_
