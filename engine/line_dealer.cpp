#include "engine/line_dealer.h"

#include <cstring>

#include "engine/line_bytes.h"
#include "engine/shuffle_random.h"
#include "engine/sort_keys.h"

namespace vantor {

void LineDealer::Split(const char* data, std::size_t bytes) {
  const char* const end = data + bytes;
  const char* middle = end;
  if (bytes > 1) {
    const std::size_t half = bytes / 2;
    const void* lf = std::memchr(data + half, '\n', bytes - half);
    if (lf) middle = static_cast<const char*>(lf) + 1;
  }
  halves_[0].begin = data;
  halves_[0].end = middle;
  halves_[1].begin = middle;
  halves_[1].end = end;
}

std::size_t LineDealer::Draw(const char* data, std::size_t bytes, std::size_t bins,
                             ShuffleRandom (&random)[2]) {
  Split(data, bytes);
  bins_ = bins;
  OnBoth([&](int h) {
    PickHalf(halves_[h], bins, [bins, &draws = random[h]](const char*, std::uint32_t) {
      return bins > 1 ? draws.Below(bins) : 0;
    });
  });
  return picked();
}

std::size_t LineDealer::ByRanges(const char* data, std::size_t bytes, const KeyRanges& ranges,
                                 bool* holdsNul) {
  Split(data, bytes);
  bins_ = ranges.count();
  bool nul[2] = {false, false};
  OnBoth([&](int h) {
    Half& half = halves_[h];
    nul[h] = std::memchr(half.begin, 0, static_cast<std::size_t>(half.end - half.begin));
    PickHalf(half, bins_,
             [&ranges](const char* line, std::uint32_t n) { return ranges.RangeOf(line, n - 1); });
  });
  *holdsNul = nul[0] || nul[1];
  return picked();
}

// Gives each line of the half that is not blank the bin `pick(line, length)` returns,
// its length counting its LF.
template <typename Pick>
void LineDealer::PickHalf(Half& half, std::size_t bins, Pick&& pick) {
  half.lengths.clear();
  half.picks.clear();
  half.bytes.assign(bins, 0);
  half.lines.assign(bins, 0);
  half.places.resize(bins);
  half.ends.resize(bins);
  ForEachLine(half.begin, half.end, [&](const char* line, std::size_t n) {
    const auto length = static_cast<std::uint32_t>(n);
    half.lengths.push_back(length);
    // A blank line is no line.
    if (length > 1) {
      const auto bin = static_cast<std::uint16_t>(pick(line, length));
      half.picks.push_back(bin);
      half.bytes[bin] += length;
      ++half.lines[bin];
    }
  });
}

std::size_t LineDealer::Lay() {
  starts_.resize(bins_ + 1);
  std::size_t at = 0;
  for (std::size_t b = 0; b < bins_; ++b) {
    starts_[b] = at;
    for (Half& half : halves_) {
      half.places[b] = at;
      at += half.bytes[b];
      half.ends[b] = at;
    }
  }
  starts_[bins_] = at;
  return at;
}

void LineDealer::Scatter(char* block) {
  OnBoth([&](int h) { ScatterHalf(halves_[h], block); });
}

// Copies each line of the half that is not blank to the place of its bin in `block`.
void LineDealer::ScatterHalf(Half& half, char* block) {
  const std::uint16_t* pick = half.picks.data();
  const char* p = half.begin;
  for (const std::uint32_t length : half.lengths) {
    if (length > 1) {
      const std::size_t at = half.places[*pick];
      CopyLine(block + at, p, length, half.ends[*pick] - at);
      half.places[*pick++] = at + length;
    }
    p += length;
  }
}

}  // namespace vantor
