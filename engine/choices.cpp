#include "engine/choices.h"

namespace vantor {

namespace {

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::vector<std::string> BuildJob(const JobChoices& choices, ProcessingJob* job) {
  std::vector<std::string> captions;
  auto assignSlot = [&captions](const char* caption) {
    captions.emplace_back(caption);
    return static_cast<std::int32_t>(captions.size() - 1);
  };
  job->singleListMode = choices.singleList;
  if (choices.singleList) {
    job->inputFileName = choices.inputFileName;
    job->replaceInput = choices.replaceInput;
    if (!choices.replaceInput) job->outputFileName = choices.outputFileName;

    job->cleanOn = choices.clean;
    job->rejectsFileName.clear();
    if (choices.clean) {
      job->rejectsFileName = choices.rejectsFileName;
      job->cleanSlot = assignSlot("Cleaning list");
    }

    job->filterOn = choices.filter;
    if (choices.filter) {
      job->filterFileName = choices.filterFileName;
      job->filterSlot = assignSlot("Filtering list");
    }

    job->suppressOn = choices.suppress;
    if (choices.suppress) {
      job->suppressFileName = choices.suppressFileName;
      job->suppressSlot = assignSlot("Suppressing emails");
    }

    job->sortByEmail = job->sortByDomain = job->randomize = job->keepOrderDedupe = false;
    if (choices.rearrange) {
      const char* caption;
      if (choices.sortByEmail) {
        job->sortByEmail = true;
        job->rearrangeMode = RearrangeMode::kSortByEmail;
        caption = "Sorting list by email";
      } else if (choices.sortByDomain) {
        job->sortByDomain = true;
        job->rearrangeMode = RearrangeMode::kSortByDomain;
        caption = "Sorting list by domain";
      } else if (choices.keepOrderDedupe) {
        job->keepOrderDedupe = true;
        job->rearrangeMode = RearrangeMode::kKeepOrder;
        caption = "Removing duplicates, order kept";
      } else {
        job->randomize = true;
        job->rearrangeMode = RearrangeMode::kRandomize;
        caption = "Randomizing list";
      }
      job->rearrangeSlot = assignSlot(caption);
    }
    job->removeDuplicates = (job->sortByEmail || job->sortByDomain) && choices.removeDuplicatesBox;
    job->foldCase = (job->sortByEmail || job->sortByDomain) && choices.foldCase;

    job->includeOn = choices.include;
    if (choices.include) {
      job->includeEmail = choices.includeEmail;
      job->includePeriod = choices.includePeriod;
      job->includeSlot = assignSlot("Including email");
    }
    job->extractOn = choices.extract;
    if (choices.extract) {
      job->extractCount = choices.extractCount;
      job->extractSlot = assignSlot("Extracting random sublist");
    }
    job->splitOn = choices.split;
    if (choices.split) {
      job->splitByCount = choices.splitByCount;
      job->splitSize = choices.splitSize;
      job->splitSlot = assignSlot("Splitting list");
    }
  } else {
    // The single-list fields keep what they held; a merge job never looks at them.
    job->outputFileName = choices.outputFileName;
    job->mergeFiles = choices.mergeFiles;
    job->mergeSlot = assignSlot("Merging lists into single list");
  }
  job->resultsText.clear();
  return captions;
}

std::string TrimWhiteSpace(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (end > begin && IsWhiteSpace(text[end - 1])) --end;
  while (begin < end && IsWhiteSpace(text[begin])) ++begin;
  return std::string(text.substr(begin, end - begin));
}

bool IsOneLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool ReadUnsignedField(std::string_view text, std::uint32_t* value) {
  std::size_t i = 0;
  while (i < text.size() && IsWhiteSpace(text[i])) ++i;
  std::uint64_t number = 0;
  std::size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    number = number * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (number > UINT32_MAX) return false;
  }
  if (digits == 0) return false;
  // "12abc" is refused rather than read as 12: a number field holds a number.
  while (i < text.size() && IsWhiteSpace(text[i])) ++i;
  if (i != text.size()) return false;
  *value = static_cast<std::uint32_t>(number);
  return true;
}

std::int32_t ReadCountField(std::string_view text) {
  std::uint32_t value = 0;
  if (!ReadUnsignedField(text, &value)) return -1;
  const auto count = static_cast<std::int32_t>(value);
  return count > 0 ? count : -1;
}

std::int32_t ReadKilobytesField(std::string_view text) {
  const std::int32_t kilobytes = ReadCountField(text);
  if (kilobytes < 0 || static_cast<std::int64_t>(kilobytes) * 1024 > INT32_MAX) return -1;
  return kilobytes * 1024;
}

}  // namespace vantor
