// The split action: cuts the current list into numbered part files, by number of
// e-mails or by size. The parts are written to temporary files, which the job's commit
// puts in place together with its other results (an existing file of that name is
// replaced); neither the list being cut nor the destination is written.
#ifndef VANTOR_ENGINE_SPLIT_H_
#define VANTOR_ENGINE_SPLIT_H_

#include <cstdint>
#include <optional>
#include <string>

namespace vantor {

class RunContext;

// Where the part number goes in the names of the part files: a part's name is `head`,
// the number in decimal without leading zeros, then `tail`. Every other character is
// taken literally; `tail` never holds a '/'.
struct PartNamePattern {
  std::string head;
  std::string tail;

  std::string Name(std::uint64_t part) const;
  // Whether some part number (1 or more) gives `name`, as the system compares names
  // (SameName).
  bool CanName(const std::string& name) const;
};

// The pattern for parts named after `baseName`: the number goes before the last dot of
// the last path component ("out.txt" -> "out1.txt"), or after an added dot when that
// component has no dot, or only a leading one ("out" -> "out.1", ".mail" -> ".mail.1"),
// or right after a final dot ("out." -> "out.1").
PartNamePattern MakePartNamePattern(const std::string& baseName);

// The name of part `part` (numbered from 1) of a split whose base name is `baseName`.
std::string PartFileName(const std::string& baseName, std::uint64_t part);

// Runs on the worker thread. Appends "Split list:\r\n" and, unless stopped, the count
// of parts to the job's results. Raises the error texts of the split; no part is ever
// half written. The parts that would replace files are checked before the job starts
// (see CheckDestination).
void SplitList(RunContext& run);

// Cut job().inputFileName into parts of job().splitSize e-mails (blank lines ride
// along uncounted inside a part) or of at most job().splitSize bytes (each part ends at
// a line end; a line too long for a part, or for the read buffer, gets a part of its
// own). Both return the number of parts handed to the commit, or nothing when a stop
// came first (then none was); neither creates an empty part.
std::optional<std::uint64_t> SplitByCount(RunContext& run, const PartNamePattern& pattern);
std::optional<std::uint64_t> SplitBySize(RunContext& run, const PartNamePattern& pattern);

}  // namespace vantor

#endif  // VANTOR_ENGINE_SPLIT_H_
