// Differential checks of the engine against plain in-memory models of what it does, one
// file per fuzz target (fuzz/<target>.cpp), shared by the libFuzzer entry point
// (fuzz/target.cpp) and by the test that replays the corpora (tests/fuzz/corpus_test.cpp).
//
// Every check takes the raw bytes of one fuzz input. The first few bytes choose the
// chunk, part and buffer sizes and the action's parameters (zero when the input is
// shorter); the rest is the list, followed for the filter and the merge by further
// files after a 0x1E byte. The files go to a directory of this process that each check
// empties first; the engine runs on them through ActionRunner, and the result is
// compared with the model.
#ifndef VANTOR_FUZZ_CHECKS_H_
#define VANTOR_FUZZ_CHECKS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::fuzz {

// Empty when the engine did what the model says, else what differed, with the input
// decoded so that the case can be read off the message.
using Check = std::string (*)(const std::uint8_t* data, std::size_t size);

// The ListReader, opened directly.
std::string CheckListReader(const std::uint8_t* data, std::size_t size);
// One action each, run through ActionRunner.
std::string CheckFilter(const std::uint8_t* data, std::size_t size);
std::string CheckSort(const std::uint8_t* data, std::size_t size);
std::string CheckRandomize(const std::uint8_t* data, std::size_t size);
std::string CheckInclude(const std::uint8_t* data, std::size_t size);
std::string CheckExtract(const std::uint8_t* data, std::size_t size);
std::string CheckSplit(const std::uint8_t* data, std::size_t size);
std::string CheckMerge(const std::uint8_t* data, std::size_t size);
std::string CheckClean(const std::uint8_t* data, std::size_t size);
std::string CheckSuppress(const std::uint8_t* data, std::size_t size);
std::string CheckDedupe(const std::uint8_t* data, std::size_t size);

struct Target {
  const char* name;  // of the fuzz target, and of its corpus directory
  Check check;
};

// Every fuzz target, in a fixed order.
const std::vector<Target>& Targets();
// The check of the target `name`; null when there is none.
Check FindCheck(std::string_view name);

// The directory the checks write their files to: made once per process, under $TMPDIR
// when it is set, else /dev/shm when that can be written, else the system's temporary
// directory; removed when the process exits normally.
const std::string& WorkDirectory();

}  // namespace vantor::fuzz

#endif  // VANTOR_FUZZ_CHECKS_H_
