// A plain model of how a ListReader splits a file into records, written as simply as
// possible so that the reader can be checked against it on any bytes. It knows nothing
// of chunks being read one after the other; the reader's tests and the fuzz targets
// compare the two. Nothing here needs GoogleTest.
#ifndef VANTOR_TESTS_SUPPORT_REFERENCE_LINES_H_
#define VANTOR_TESTS_SUPPORT_REFERENCE_LINES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vantor::testing {

// The records a ListReader opened with chunk size `chunk` (at least 1) gives for `bytes`:
// - a line is the run of bytes before each LF, and the run after the last LF;
// - an empty run gives no record;
// - a run as long as the chunk or longer comes in pieces of the chunk's size, unless
//   lines are kept whole (ListReader::KeepLinesWhole);
// - the style is CR LF when a CR comes before any LF within the first `chunk` bytes,
//   else LF; in CR LF style a last line without an LF gets a CR, and so does each piece
//   that does not end in CR already.
// `crlfStyle`, when not null, receives the style. Each record is written back followed
// by an LF.
std::vector<std::string> ReaderRecords(const std::string& bytes, std::uint32_t chunk,
                                       bool keepWhole, bool* crlfStyle);

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_REFERENCE_LINES_H_
