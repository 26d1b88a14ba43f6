#ifndef VANTOR_ENGINE_MERGE_H_
#define VANTOR_ENGINE_MERGE_H_

namespace vantor {

class ActionRunner;

void MergeLists(ActionRunner& runner);

}  // namespace vantor

#endif  // VANTOR_ENGINE_MERGE_H_
