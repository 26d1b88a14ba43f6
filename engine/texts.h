// The texts written in more than one place: the refusals of the user's input, which the
// wizard's pages and vantor-cli's options show alike; the errors that end a run or keep
// it from starting, raised by several actions and shown by both front ends; and the
// progress texts that several actions post. Each is shown exactly as it stands here.
#ifndef VANTOR_ENGINE_TEXTS_H_
#define VANTOR_ENGINE_TEXTS_H_

#include <cstddef>
#include <string>

#include "engine/format.h"

namespace vantor {

// Refusals of the user's input. vantor-cli puts the option they concern before them.
inline constexpr char kEnterFilename[] = "Please enter filename";
inline constexpr char kEnterEmail[] = "Please enter email";
// An address to include that is not one line.
inline constexpr char kIncludeEmailNotOneLine[] = "Please enter email without line breaks";
inline constexpr char kEnterPeriod[] = "Please enter correct period (number of messages)";
inline constexpr char kEnterExtractCount[] = "Please enter valid number of emails to extract)";
inline constexpr char kEnterEmailsPerPart[] = "Please enter valid number of emails per part";
inline constexpr char kEnterBytesPerPart[] = "Please enter valid number of bytes per part";
inline constexpr char kChooseAction[] = "Please choose at least one action to perform";
inline constexpr char kSpecifyMergeFiles[] = "Please specify files to merge (at least 2 files)";
inline constexpr char kSpecifyMergeOutput[] = "Please specify output filename";

// No temporary directory could be named: the run does not start.
inline constexpr char kTempPathFailed[] = "Failed to prepare temporary path.\nCannot continue.";
// Heads the error that ended a run, which follows on the next line.
inline constexpr char kRunErrorHeading[] = "Error occured while processing lists:";
// Errors the actions raise in more than one place.
inline constexpr char kRenameFailed[] = "Failed to rename file";
inline constexpr char kWriteFailed[] = "failed to write data";
inline constexpr char kOutputNotRegular[] = "output file is not a regular file";
inline constexpr char kAllocFailed[] = "failed to allocate memory";
inline constexpr char kOpenListFailed[] = "failed to open file";
inline constexpr char kOpenOutputFailed[] = "failed to open output file for writing";
inline constexpr char kSharedLinkRefused[] = "link owned by another user in a shared folder";
inline constexpr char kPartOverwritesList[] = "split part would overwrite the list being split";
inline constexpr char kPartOverwritesFilter[] = "split part would overwrite the filter file";

// Follows the results of a run that ended without error, before its FormatDuration.
inline constexpr char kProcessingTaken[] = "Processing has taken ";

// The suppression and the keep-order duplicate removal.
inline constexpr char kPartOverwritesSuppression[] =
    "split part would overwrite the suppression file";
// Progress of the division of a file too large for memory into `%d` parts.
inline constexpr char kDividingListText[] = "Dividing list into %d part(s)...";
inline constexpr char kDividingSuppressionText[] = "Dividing suppression file into %d part(s)...";
// Progress through the parts of a division, `done` of `parts` decided.
inline std::string PartsDoneText(std::size_t done, std::size_t parts) {
  return Format("%ld of %ld part(s) done", static_cast<long>(done), static_cast<long>(parts));
}

// Progress of the actions that read the list line by line.
inline constexpr char kReadingEmails[] = "Reading emails...";
// Progress of a sort's merge of two part files, `filesLeft` still queued after them.
inline std::string MergingTempFilesText(std::size_t filesLeft) {
  return Format("Merging 2 temp files, %ld file(s) left...", static_cast<long>(filesLeft));
}

// The clean action: its report paragraph and the refusals of its rejects file.
inline constexpr char kCleanHeading[] = "Clean list:\r\n";
inline std::string CleanCountsText(long long trimmed, long long blank, long long notAddresses,
                                   long long lines) {
  return Format(
      "%lld line(s) trimmed, %lld blank line(s) and %lld line(s) that are not addresses "
      "dropped from %lld lines\r\n",
      trimmed, blank, notAddresses, lines);
}
inline std::string RejectsWrittenText(const std::string& name) {
  return "dropped lines written to '" + name + "'\r\n";
}
inline constexpr char kRejectsOverwritesRead[] =
    "rejects file would overwrite a file the job reads";
inline constexpr char kRejectsIsResult[] = "rejects file would overwrite the result";

}  // namespace vantor

#endif  // VANTOR_ENGINE_TEXTS_H_
