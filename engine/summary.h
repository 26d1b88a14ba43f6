// The plain-English description of a job that the wizard shows before the run and
// `vantor-cli --dry-run` prints: built from the user's choices alone, before any job
// exists. Lines end in CR LF.
#ifndef VANTOR_ENGINE_SUMMARY_H_
#define VANTOR_ENGINE_SUMMARY_H_

#include <string>

#include "engine/choices.h"

namespace vantor {

// The duplicates line follows the box alone, as the user set it, even where the run
// will remove nothing (randomize, or no rearrange at all).
std::string BuildSummaryText(const JobChoices& choices);

}  // namespace vantor

#endif  // VANTOR_ENGINE_SUMMARY_H_
