// The batch tool's command line: what it means, and the checks that refuse it before
// any file is touched.
#ifndef VANTOR_CLI_OPTIONS_H_
#define VANTOR_CLI_OPTIONS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "engine/choices.h"

namespace vantor::cli {

struct CliOptions {
  JobChoices choices;
  bool seedGiven = false;
  std::uint32_t seed = 0;
  bool quiet = false;
  bool dryRun = false;  // print the summary of the job and touch nothing
  bool help = false;
  bool version = false;
};

// Parses and checks `args` (without the program name). Returns an empty string when
// they make a job (or ask for help or the version), else the one-line reason.
std::string ParseOptions(const std::vector<std::string>& args, CliOptions* options);

// The text of --help.
const char* UsageText();
// The first two lines of UsageText: the two forms of the command.
std::string UsageLines();

}  // namespace vantor::cli

#endif  // VANTOR_CLI_OPTIONS_H_
