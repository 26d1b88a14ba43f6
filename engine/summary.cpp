#include "engine/summary.h"

#include "engine/format.h"

namespace vantor {

std::string BuildSummaryText(const JobChoices& c) {
  std::string text;
  if (!c.singleList) {
    text += "We will merge lists\r\n\r\n";
    text += "Files to merge:\r\n";
    for (const std::string& name : c.mergeFiles) text += name + "\r\n";
    text += "\r\noutput file: " + c.outputFileName + "\r\n\r\n";
    return text;
  }
  text += "We will process single list\r\n\r\n";
  text += "input file: " + c.inputFileName + "\r\n";
  if (c.replaceInput) {
    text += "input will be replaced by output\r\n\r\n";
  } else {
    text += "output file: " + c.outputFileName + "\r\n\r\n";
  }
  if (c.clean) {
    text +=
        "list will be cleaned: blanks trimmed, blank lines and lines that are not "
        "addresses dropped\r\n";
    if (!c.rejectsFileName.empty()) {
      text += "dropped lines will be written to: " + c.rejectsFileName + "\r\n";
    }
    text += "\r\n";
  }
  if (c.filter) text += "list will be filtered using lines from: " + c.filterFileName + "\r\n\r\n";
  if (c.suppress) {
    text += "addresses equal to a line of this file will be dropped: " + c.suppressFileName +
            "\r\n\r\n";
  }
  if (c.rearrange) {
    if (c.sortByEmail) {
      text += "list will be sorted alphabetically by email\r\n\r\n";
    } else if (c.sortByDomain) {
      text += "list will be sorted alphabetically by domain\r\n\r\n";
    } else if (c.keepOrderDedupe) {
      text += "duplicates will be removed, the list's order kept\r\n\r\n";
    } else {
      text += "list will be randomized\r\n\r\n";
    }
  }
  if (c.removeDuplicatesBox) text += "email duplicates will be removed from the list\r\n\r\n";
  if (c.foldCase) text += "the sort will ignore letter case\r\n\r\n";
  if (c.include) {
    text += Format("email will be included into the list after each %ld email(s): ",
                   static_cast<long>(c.includePeriod)) +
            c.includeEmail + "\r\n\r\n";
  }
  if (c.extract) {
    text += Format("%ld random email(s) will be extracted from the list\r\n\r\n",
                   static_cast<long>(c.extractCount));
  }
  if (c.split) {
    // The size is held in bytes; the division gives back the kilobytes typed.
    text += c.splitByCount
                ? Format("Email list will be splitted , %ld email(s) in a part\r\n\r\n",
                         static_cast<long>(c.splitSize))
                : Format("Email list will be splitted , %ld kilobyte(s) in a part\r\n\r\n",
                         static_cast<long>(c.splitSize / 1024));
  }
  return text;
}

}  // namespace vantor
