#include "cli/options.h"

#include <map>
#include <optional>

#include "engine/texts.h"

namespace vantor::cli {

namespace {

// What the options said, before they are checked against each other.
struct RawOptions {
  std::optional<std::string> output;
  bool replaceInput = false;
  std::optional<std::string> filter;
  std::optional<std::string> suppress;
  std::vector<std::string> rearrange;  // every sort or randomize option given
  bool removeDuplicates = false;
  std::optional<std::string> include;
  std::optional<std::string> every;
  std::optional<std::string> extract;
  std::optional<std::string> splitCount;
  std::optional<std::string> splitKb;
  std::optional<std::string> seed;
  bool merge = false;
  std::vector<std::string> operands;
  // The clean and the folded order.
  bool clean = false;
  std::optional<std::string> rejects;
  bool foldCase = false;
};

std::string CheckSingleList(RawOptions& raw, CliOptions* options) {
  JobChoices& choices = options->choices;
  if (raw.operands.size() > 1) return "one input list only (use --merge to join lists)";
  // File names are used exactly as the shell passed them: ' a' and 'a ' are files of
  // their own, and so is ' '. Only an empty name, which no file has, is refused.
  choices.inputFileName = raw.operands.empty() ? std::string() : raw.operands[0];
  if (choices.inputFileName.empty()) return std::string("input list: ") + kEnterFilename;

  if (raw.replaceInput && raw.output) return "--output and --replace-input exclude each other";
  choices.replaceInput = raw.replaceInput;
  if (!raw.replaceInput) {
    choices.outputFileName = raw.output.value_or(std::string());
    if (choices.outputFileName.empty()) {
      return std::string("output file (-o FILE or --replace-input): ") + kEnterFilename;
    }
  }

  if (raw.filter) {
    choices.filter = true;
    choices.filterFileName = *raw.filter;
  }

  if (raw.suppress) {
    choices.suppress = true;
    choices.suppressFileName = *raw.suppress;
  }

  if (raw.rearrange.size() > 1) {
    return raw.rearrange[0] + " and " + raw.rearrange[1] + " exclude each other";
  }
  if (!raw.rearrange.empty()) {
    choices.rearrange = true;
    choices.sortByEmail = raw.rearrange[0] == "--sort-email";
    choices.sortByDomain = raw.rearrange[0] == "--sort-domain";
    choices.keepOrderDedupe = raw.rearrange[0] == "--dedupe";
  }
  if (raw.removeDuplicates) {
    if (!choices.sortByEmail && !choices.sortByDomain) {
      return "--remove-duplicates needs --sort-email or --sort-domain";
    }
    choices.removeDuplicatesBox = true;
  }

  if (raw.rejects && !raw.clean) return "--rejects needs --clean";
  choices.clean = raw.clean;
  if (raw.rejects) {
    if (raw.rejects->empty()) return std::string("--rejects: ") + kEnterFilename;
    choices.rejectsFileName = *raw.rejects;
  }
  if (raw.foldCase) {
    if (!choices.sortByEmail && !choices.sortByDomain) {
      return "--fold-case needs --sort-email or --sort-domain";
    }
    choices.foldCase = true;
  }

  if (raw.include || raw.every) {
    if (!raw.include) return "--every needs --include ADDRESS";
    choices.include = true;
    // An address, not a file name: the blanks around it would end up in every copy.
    choices.includeEmail = TrimWhiteSpace(*raw.include);
    if (choices.includeEmail.empty()) return std::string("--include: ") + kEnterEmail;
    if (!IsOneLine(choices.includeEmail)) {
      return std::string("--include: ") + kIncludeEmailNotOneLine;
    }
    choices.includePeriod = raw.every ? ReadCountField(*raw.every) : -1;
    if (choices.includePeriod < 0) {
      return std::string("--every: ") + kEnterPeriod;
    }
  }
  if (raw.extract) {
    choices.extract = true;
    choices.extractCount = ReadCountField(*raw.extract);
    if (choices.extractCount < 0) {
      return std::string("--extract: ") + kEnterExtractCount;
    }
  }
  if (raw.splitCount && raw.splitKb) return "--split-count and --split-kb exclude each other";
  if (raw.splitCount) {
    choices.split = true;
    choices.splitByCount = true;
    choices.splitSize = ReadCountField(*raw.splitCount);
    if (choices.splitSize < 0) {
      return std::string("--split-count: ") + kEnterEmailsPerPart;
    }
  }
  if (raw.splitKb) {
    choices.split = true;
    choices.splitByCount = false;
    choices.splitSize = ReadKilobytesField(*raw.splitKb);
    if (choices.splitSize < 0) return std::string("--split-kb: ") + kEnterBytesPerPart;
  }

  if (!choices.clean && !choices.filter && !choices.suppress && !choices.rearrange &&
      !choices.include && !choices.extract && !choices.split) {
    return kChooseAction;
  }
  return std::string();
}

std::string CheckMerge(const RawOptions& raw, CliOptions* options) {
  if (raw.replaceInput || raw.filter || raw.suppress || !raw.rearrange.empty() ||
      raw.removeDuplicates || raw.include || raw.every || raw.extract || raw.splitCount ||
      raw.splitKb || raw.clean || raw.rejects || raw.foldCase) {
    return "--merge takes no single-list action";
  }
  if (raw.operands.size() < 2) return kSpecifyMergeFiles;
  options->choices.outputFileName = raw.output.value_or(std::string());
  if (options->choices.outputFileName.empty()) return kSpecifyMergeOutput;
  options->choices.mergeFiles = raw.operands;
  return std::string();
}

}  // namespace

std::string ParseOptions(const std::vector<std::string>& args, CliOptions* options) {
  RawOptions raw;
  // Options that take a value, and where it goes.
  const std::map<std::string, std::optional<std::string>*> valued = {
      {"-o", &raw.output},
      {"--output", &raw.output},
      {"--filter", &raw.filter},
      {"--include", &raw.include},
      {"--every", &raw.every},
      {"--extract", &raw.extract},
      {"--split-count", &raw.splitCount},
      {"--split-kb", &raw.splitKb},
      {"--seed", &raw.seed},
      {"--rejects", &raw.rejects},
      // Suppression.
      {"--suppress", &raw.suppress},
  };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      raw.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      std::size_t equals = arg.find('=');
      if (equals != std::string::npos) {
        inlineValue = arg.substr(equals + 1);
        arg.resize(equals);
      }
    }
    auto slot = valued.find(arg);
    if (slot != valued.end()) {
      if (*slot->second) return arg + " given twice";
      if (inlineValue) {
        *slot->second = *inlineValue;
      } else if (i + 1 < args.size()) {
        *slot->second = args[++i];
      } else {
        return arg + " needs a value";
      }
      continue;
    }
    if (inlineValue) return arg + " takes no value";
    if (arg == "-r" || arg == "--replace-input") {
      raw.replaceInput = true;
    } else if (arg == "--sort-email" || arg == "--sort-domain" || arg == "--randomize" ||
               arg == "--dedupe") {
      raw.rearrange.push_back(arg);
    } else if (arg == "--remove-duplicates") {
      raw.removeDuplicates = true;
    } else if (arg == "--clean") {
      raw.clean = true;
    } else if (arg == "--fold-case") {
      raw.foldCase = true;
    } else if (arg == "--merge") {
      raw.merge = true;
    } else if (arg == "--dry-run") {
      options->dryRun = true;
    } else if (arg == "-q" || arg == "--quiet") {
      options->quiet = true;
    } else if (arg == "-h" || arg == "--help") {
      options->help = true;
    } else if (arg == "--version") {
      options->version = true;
    } else {
      return "unknown option " + arg;
    }
  }
  if (options->help || options->version) return std::string();

  if (raw.seed) {
    std::uint32_t seed = 0;
    if (!ReadUnsignedField(*raw.seed, &seed)) return "--seed takes a number from 0 to 4294967295";
    options->seedGiven = true;
    options->seed = seed;
  }
  options->choices.singleList = !raw.merge;
  return raw.merge ? CheckMerge(raw, options) : CheckSingleList(raw, options);
}

std::string UsageLines() {
  const std::string usage = UsageText();
  std::size_t end = usage.find('\n');
  end = usage.find('\n', end + 1);
  return usage.substr(0, end + 1);
}

const char* UsageText() {
  return "Usage: vantor-cli [OPTIONS] INPUT\n"
         "       vantor-cli --merge -o OUTPUT LIST LIST [LIST...]\n"
         "Process an e-mail list: one address per line, LF or CR LF line ends.\n"
         "Actions run in this order, whatever the order of the options:\n"
         "clean, filter, suppress, sort or randomize or dedupe, include, extract, split.\n"
         "\n"
         "  -o, --output FILE        the result goes to FILE\n"
         "  -r, --replace-input      the result replaces INPUT (then -o is not needed)\n"
         "      --clean              trim blanks, drop blank lines and lines that are not\n"
         "                           addresses\n"
         "      --rejects FILE       with --clean: write the dropped lines to FILE\n"
         "      --filter FILE        drop every address that contains a line of FILE\n"
         "                           (letter case ignored)\n"
         "      --suppress FILE      drop every address equal to a line of FILE\n"
         "                           (letter case and blanks around ignored)\n"
         "      --sort-email | --sort-domain | --randomize | --dedupe\n"
         "                           --dedupe removes later repeats, the order kept\n"
         "      --remove-duplicates  with a sort\n"
         "      --fold-case          with a sort: order ignoring letter case, so that case\n"
         "                           variants of an address are neighbours (and duplicates)\n"
         "      --include ADDRESS --every N\n"
         "                           insert ADDRESS after every N addresses\n"
         "      --extract N          keep a random sublist of N addresses\n"
         "      --split-count N | --split-kb KB\n"
         "                           cut the result into numbered parts\n"
         "      --merge              join the LISTs into OUTPUT\n"
         "      --seed N             seed of the run's random generator\n"
         "                           (0 to 4294967295; default: the current time in seconds)\n"
         "      --dry-run            print what the job would do, touch no file\n"
         "  -q, --quiet              no progress display\n"
         "  -h, --help               show this text\n"
         "      --version            show the version\n"
         "\n"
         "Temporary files are made in the directory TEMP at the root of the output's file\n"
         "system when it exists, else beside the output, and are named vnt*.tmp.\n"
         "\n"
         "Exit status:\n"
         "  0      every result is in place, whatever signal comes after\n"
         "  1      an error; every file is left as it was\n"
         "  2      a usage error or a file the job cannot use; nothing was touched\n"
         "  128+N  stopped by signal N (129 SIGHUP, 130 SIGINT, 143 SIGTERM);\n"
         "         every file is left as it was\n"
         "Full documentation: man vantor-cli\n";
}

}  // namespace vantor::cli
