// What the user chose, as both front ends collect it (the wizard's pages, the batch
// tool's options), and the one rule that turns it into a ProcessingJob with the
// display slots of its actions. The checks of the input live here too, so that both
// front ends refuse the same values; the texts they refuse them with are in texts.h.
#ifndef VANTOR_ENGINE_CHOICES_H_
#define VANTOR_ENGINE_CHOICES_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/job.h"

namespace vantor {

struct JobChoices {
  bool singleList = true;
  std::string inputFileName;
  bool replaceInput = false;
  std::string outputFileName;  // of the single-list job, or of the merge

  bool clean = false;
  bool filter = false;
  std::string filterFileName;
  bool suppress = false;
  std::string suppressFileName;

  bool rearrange = false;
  bool sortByEmail = false;  // with rearrange; neither sort means randomize
  bool sortByDomain = false;
  bool keepOrderDedupe = false;  // with rearrange, in place of a sort or randomize
  bool foldCase = false;         // with a sort
  bool removeDuplicatesBox = false;

  bool include = false;
  std::string includeEmail;
  std::int32_t includePeriod = -1;

  bool extract = false;
  std::int32_t extractCount = -1;

  bool split = false;
  bool splitByCount = true;
  std::int32_t splitSize = -1;  // emails, or bytes

  std::vector<std::string> mergeFiles;
};

// Fills the choice fields of `job`, hands out the display slots in the order filter,
// rearrange, include, extract, split (or to the merge alone) and returns the caption of
// each slot handed out, in slot order. Empties resultsText. The remove-duplicates box
// counts only with a sort.
std::vector<std::string> BuildJob(const JobChoices& choices, ProcessingJob* job);

// `text` without space, tab, LF, VT, FF and CR at either end.
std::string TrimWhiteSpace(std::string_view text);

// Whether `text` holds no CR, LF or NUL, so that the address to include goes into the
// list as one line and not as several (refused with kIncludeEmailNotOneLine).
bool IsOneLine(std::string_view text);

// Reads a number field as the parameter pages do: leading white space skipped, then
// decimal digits up to 4294967295, then nothing but white space. False when the text
// does not translate.
bool ReadUnsignedField(std::string_view text, std::uint32_t* value);

// The value of a number field when it is from 1 to 2147483647, else -1.
std::int32_t ReadCountField(std::string_view text);

// Bytes per part for a field of kilobytes: the count times 1024 when that is at most
// 2147483647, else -1.
std::int32_t ReadKilobytesField(std::string_view text);

}  // namespace vantor

#endif  // VANTOR_ENGINE_CHOICES_H_
