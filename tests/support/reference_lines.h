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

// The suppression and the keep-order duplicate removal, as plainly as they can be said,
// on the records ReaderRecords gives with the list's chunk size. An address is a record
// without one trailing CR, without the spaces and tabs at both ends, ASCII letters in
// lower case; a blank one is no address. Every record counts in `total`; a lone CR is
// never written; a record is written back followed by an LF unless it is dropped:
// - suppressed: its address is that of a record of `suppression`;
// - a repeat: its address is that of a record before it.
std::string ReferenceAddress(std::string record);
std::string ReferenceSuppress(const std::string& list, const std::string& suppression,
                              std::uint32_t chunk, long long* dropped, long long* total);
std::string ReferenceDedupe(const std::string& list, std::uint32_t chunk, long long* dropped,
                            long long* total);

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_REFERENCE_LINES_H_
