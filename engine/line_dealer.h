// Dealing the lines of a run of bytes into bins on two threads: each half of the lines
// picks the bins of its lines on a thread of its own, the bins are laid out one after
// the other, and each half copies its lines into their places. Randomizing deals a chunk
// into buckets and a bucket into groups this way, the bins drawn at random; sorting deals
// a chunk into buckets by the ranges of its lines' keys.
#ifndef VANTOR_ENGINE_LINE_DEALER_H_
#define VANTOR_ENGINE_LINE_DEALER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/platform/tasks.h"

namespace vantor {

class KeyRanges;
class ShuffleRandom;

class LineDealer {
 public:
  // Picks one of `bins` for each line of `bytes` bytes at `data` (each ending in LF)
  // that is not blank, each bin equally likely; the lines of half `h` are drawn by
  // `random[h]`. Returns the lines picked.
  std::size_t Draw(const char* data, std::size_t bytes, std::size_t bins,
                   ShuffleRandom (&random)[2]);
  // Picks for each line the range of its key; sets `*holdsNul` when a NUL byte is among
  // the bytes, whose lines' keys then say nothing. Returns the lines picked.
  std::size_t ByRanges(const char* data, std::size_t bytes, const KeyRanges& ranges,
                       bool* holdsNul);

  // Lays the bins out one after the other, each with the lines of the first half picked
  // for it, then those of the second. Returns the bytes of them all.
  std::size_t Lay();
  // Copies the lines picked to their places in `block`, on both threads. The bytes
  // after the lines must be readable for CopyLine.
  void Scatter(char* block);

  // Where each bin begins in the block, and the end of the last.
  const std::vector<std::size_t>& starts() const { return starts_; }
  // The lines picked for bin `b`, and in all.
  std::uint64_t Lines(std::size_t b) const { return halves_[0].lines[b] + halves_[1].lines[b]; }
  std::size_t picked() const { return halves_[0].picks.size() + halves_[1].picks.size(); }

  // Runs `work(1)` on the partner thread while this one runs `work(0)`, and waits for
  // both.
  template <typename Work>
  void OnBoth(Work&& work) {
    partner_.Start([&work] { work(1); });
    partner_.WaitAfter([&work] { work(0); });
  }

 private:
  // The lines of half the bytes, and the bins they go to.
  struct Half {
    const char* begin = nullptr;
    const char* end = nullptr;
    std::vector<std::uint32_t> lengths;  // of each line, with its LF
    std::vector<std::uint16_t> picks;    // the bin of each line that is not blank
    std::vector<std::size_t> bytes;      // of the half's lines in each bin
    std::vector<std::uint64_t> lines;    // of the half in each bin
    std::vector<std::size_t> places;     // where its next line in each bin goes
    std::vector<std::size_t> ends;       // where its room in each bin ends
  };

  // Cuts the bytes in two halves at a line end.
  void Split(const char* data, std::size_t bytes);
  template <typename Pick>
  static void PickHalf(Half& half, std::size_t bins, Pick&& pick);
  static void ScatterHalf(Half& half, char* block);

  Half halves_[2];
  std::size_t bins_ = 0;
  std::vector<std::size_t> starts_;
  TaskQueue partner_;  // last: it waits for the half it runs
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_LINE_DEALER_H_
