// What the checks of the fuzz targets share: taking a fuzz input apart, the work
// directory the files go to, running the engine on them, and the wording of a mismatch.
// Every action's model starts from the plain model of the list reader, ReaderRecords
// (tests/support/reference_lines.h).
#ifndef VANTOR_FUZZ_HARNESS_H_
#define VANTOR_FUZZ_HARNESS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/job.h"
#include "tests/support/reference_lines.h"
#include "tests/support/test_files.h"

namespace vantor::fuzz {

using Lines = std::vector<std::string>;
using testing::FileExists;
using testing::ReaderRecords;
using testing::ReadFile;
using testing::WriteFile;

// ---------------------------------------------------------------------------------
// Inputs

// One input taken apart: the parameter bytes (zero past the end of a short input) and
// the rest.
struct Input {
  std::uint8_t header[5] = {};
  std::string body;
};

// The body of a case: the files it writes, the run, the comparison with the model.
// Empty when they agree, else what differed, the input's decoding first.
using Case = std::string (*)(const Input& in);

// Decodes `headerBytes` parameter bytes and the body, and runs `body` on them; what the
// engine or the case throws becomes the answer.
std::string RunCase(const std::uint8_t* data, std::size_t size, std::size_t headerBytes, Case body);

// A list chunk or part size from one header byte: 1 to 64 bytes below 128, else 64 to
// 8,192 bytes in steps of 64, so that a part can hold more records than the sorts of
// small ranges take.
std::uint32_t ChunkOf(std::uint8_t byte);

// The body cut at its 0x1E bytes into at most `most` files; the last one keeps any
// further 0x1E.
Lines SplitFiles(const std::string& body, std::size_t most);

// Header bytes 0 to 2 of a sort or a randomize: the part size (see ChunkOf); the merge
// chunk; the number of files a merging pass may read (bits 0-2: 64, or 2 to 8) and,
// with bit 3, a write buffer of 1 to 16 bytes (bits 4-7). Returns them in words.
std::string SetSortSizes(ProcessingJob& job, const Input& in);

// Header bytes 0 to 2 of the suppression and the keep-order duplicate removal: the
// list's chunk (see ChunkOf); the memory for addresses, in 16-byte steps (0: the
// default); a write buffer of 1 to 32 bytes (bits 0-4), or the default one (bit 7); with
// bit 6, files of line numbers merged two at a time.
// Returns them in words.
std::string SetKeySizes(ProcessingJob& job, const Input& in);

// The list of a sort input: its body up to as many parts as a sort under the sanitizer
// takes in good time.
std::string SortList(const Input& in, const ProcessingJob& job);

// ---------------------------------------------------------------------------------
// Files and runs

// `name` in the work directory (see WorkDirectory in checks.h).
std::string PathOf(const std::string& name);
// Empties the work directory.
void ResetDirectory();

// A single-list job on in.txt with out.txt as its destination.
ProcessingJob ListJob();

// Runs the job through the runner, its temporary files in the work directory. Empty
// when the run completed, else what ended it.
std::string RunJob(ProcessingJob& job);

// Writes `list` to in.txt alone, runs the job and reads out.txt and its lines; empty, or
// what went wrong.
std::string RunOnList(ProcessingJob& job, const std::string& list, Lines* lines,
                      std::string* output);

// Empty when the work directory holds just `names` (sorted), else how it differs.
std::string ExpectFiles(const Lines& names);

// Empty when the job's report is `report`, else how it differs.
std::string ExpectReport(const ProcessingJob& job, const std::string& report);

// Runs the job and compares out.txt, the report and the work directory's files with
// what is expected; empty, or what differed after `where`.
std::string CompareOutput(ProcessingJob& job, const std::string& where, const std::string& expected,
                          const std::string& report, const Lines& files);

// ---------------------------------------------------------------------------------
// Lines and words

Lines Sorted(Lines lines);

// The bytes in double quotes, with LF, CR, quotes, backslashes and other bytes outside
// printable ASCII escaped.
std::string Quoted(std::string_view bytes);
std::string Quoted(const Lines& lines);

// "<what>: <actual>, expected <expected>".
std::string Differs(const std::string& what, const std::string& actual,
                    const std::string& expected);

}  // namespace vantor::fuzz

#endif  // VANTOR_FUZZ_HARNESS_H_
