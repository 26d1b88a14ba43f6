// What a run of the processing page comes to, as the completion page shows it: the
// report, how long the run took and whether it ended without an error. A plain value:
// the processing page makes it when the run ends, the sheet keeps the last one for the
// completion page.
#ifndef VANTOR_WIZARD_RUN_OUTCOME_H_
#define VANTOR_WIZARD_RUN_OUTCOME_H_

#include <cstdint>
#include <string>

namespace vantor::wizard {

struct RunOutcome {
  // The run's report with CR LF line ends; a failed run's ends with the error that
  // ended it.
  std::string results;
  // How long the run took, as the runner measured it; 0 when it failed.
  std::uint32_t elapsedMs = 0;
  // The run ended without an error (WMU_DONE): its results are in place and its
  // duration is worth showing.
  bool completed = false;
  // Of a failed run, the file the error names, when it names one.
  std::string fileAtFault;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_RUN_OUTCOME_H_
