#include "fuzz/checks.h"

namespace vantor::fuzz {

const std::vector<Target>& Targets() {
  static const std::vector<Target> targets = {
      {"list_reader_fuzz", CheckListReader},
      {"filter_fuzz", CheckFilter},
      {"sort_fuzz", CheckSort},
      {"randomize_fuzz", CheckRandomize},
      {"include_fuzz", CheckInclude},
      {"extract_fuzz", CheckExtract},
      {"split_fuzz", CheckSplit},
      {"merge_fuzz", CheckMerge},
      {"clean_fuzz", CheckClean},
      {"suppress_fuzz", CheckSuppress},
      {"dedupe_fuzz", CheckDedupe},
  };
  return targets;
}

Check FindCheck(std::string_view name) {
  for (const Target& target : Targets()) {
    if (name == target.name) return target.check;
  }
  return nullptr;
}

}  // namespace vantor::fuzz
