#include "engine/clean.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/format.h"
#include "engine/list_reader.h"
#include "engine/list_writer.h"
#include "engine/platform/tasks.h"
#include "engine/run_context.h"
#include "engine/texts.h"

namespace vantor {

namespace {

constexpr std::size_t kMaxLocal = 64;
constexpr std::size_t kMaxLabel = 63;
constexpr std::size_t kMaxDomain = 255;
constexpr std::size_t kMaxAddress = 254;

// What a byte may be in an address; a dot and a hyphen are placed by the rules.
enum : std::uint8_t {
  kAtom = 1,   // in a local part
  kLabel = 2,  // in a domain label
};

constexpr std::array<std::uint8_t, 256> MakeClasses() {
  std::array<std::uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alnum) classes[c] = kAtom | kLabel;
  }
  for (const char* p = "!#$%&'*+/=?^_`{|}~-"; *p; ++p) {
    classes[static_cast<unsigned char>(*p)] |= kAtom;
  }
  classes['-'] |= kLabel;
  return classes;
}

constexpr std::array<std::uint8_t, 256> kClasses = MakeClasses();

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Where, in 64 bytes of a list, the bytes are that settle an address's shape: one bit
// per byte, the first byte in the lowest bit. `other` is every byte that is not a
// letter, a digit, a dot or a hyphen ('@' and LF among them).
struct BlockBits {
  std::uint64_t lf = 0, at = 0, dot = 0, hyphen = 0, other = 0;
};

#if defined(__SSE2__)
BlockBits ClassifyBlock(const char* p) {
  BlockBits bits;
  for (int i = 0; i < 64; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const auto is = [&](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    // A byte in [from, from + n) moved to the lowest n signed bytes by one addition.
    const auto within = [](__m128i x, int from, int n) {
      const __m128i shifted = _mm_add_epi8(x, _mm_set1_epi8(static_cast<char>(0x80 - from)));
      return _mm_cmplt_epi8(shifted, _mm_set1_epi8(static_cast<char>(-128 + n)));
    };
    const __m128i dot = is('.');
    const __m128i hyphen = is('-');
    const __m128i letter = within(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 26);
    const __m128i named =
        _mm_or_si128(_mm_or_si128(letter, within(v, '0', 10)), _mm_or_si128(dot, hyphen));
    const auto bitsOf = [&](__m128i m) {
      return static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(m))) << i;
    };
    bits.lf |= bitsOf(is('\n'));
    bits.at |= bitsOf(is('@'));
    bits.dot |= bitsOf(dot);
    bits.hyphen |= bitsOf(hyphen);
    bits.other |= ~bitsOf(named) & (std::uint64_t{0xffff} << i);
  }
  return bits;
}
#else
BlockBits ClassifyBlock(const char* p) {
  BlockBits bits;
  for (int i = 0; i < 64; ++i) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    const std::uint64_t bit = std::uint64_t{1} << i;
    if (c == '\n') bits.lf |= bit;
    if (c == '@') bits.at |= bit;
    if (c == '.') bits.dot |= bit;
    if (c == '-') bits.hyphen |= bit;
    if (c != '.' && !(kClasses[c] & kLabel)) bits.other |= bit;
  }
  return bits;
}
#endif

// The bits of a line of `n` bytes (1 to 64), the first at bit `from` of two blocks'
// bits, `low` the earlier block's.
std::uint64_t LineBits(std::uint64_t low, std::uint64_t high, unsigned from, unsigned n) {
  __extension__ using Wide = unsigned __int128;
  const std::uint64_t bits = static_cast<std::uint64_t>(((Wide{high} << 64) | low) >> from);
  return n == 64 ? bits : bits & ((std::uint64_t{1} << n) - 1);
}

// True when the line of `n` bytes (1 to 64) at `text`, whose bits start at bit `from`
// of the blocks `low` and `high`, is an address as it stands: no blank to trim and
// every rule of IsListAddress met (at this length no part can be too long). False
// leaves the line to IsListAddress.
bool IsPlainAddress(const char* text, const BlockBits& low, const BlockBits& high, unsigned from,
                    unsigned n) {
  const std::uint64_t at = LineBits(low.at, high.at, from, n);
  if (at == 0 || (at & (at - 1)) != 0) return false;
  const std::uint64_t local = at - 1;
  const std::uint64_t all = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
  const std::uint64_t domain = all & ~(local | at);
  if (local == 0 || domain == 0) return false;
  const std::uint64_t dot = LineBits(low.dot, high.dot, from, n);
  const std::uint64_t hyphen = LineBits(low.hyphen, high.hyphen, from, n);
  const std::uint64_t other = LineBits(low.other, high.other, from, n);
  if (other & domain) return false;
  // Around the dots: none first, last in the local part or doubled; in the domain none
  // beside a hyphen or another dot, the first and last label not empty, at least two.
  const std::uint64_t mark = dot | hyphen;
  const std::uint64_t last = std::uint64_t{1} << (n - 1);
  if ((dot & 1) || (dot & (at >> 1)) || (dot & (dot >> 1) & local)) return false;
  if ((mark & (at << 1)) || (mark & last) || !(dot & domain)) return false;
  if (((dot & (mark >> 1)) | (hyphen & (dot >> 1))) & domain) return false;
  // The local part's bytes other than letters, digits, dots and hyphens, one by one.
  for (std::uint64_t odd = other & local; odd != 0; odd &= odd - 1) {
    const auto c = static_cast<unsigned char>(text[std::countr_zero(odd)]);
    if (!(kClasses[c] & kAtom)) return false;
  }
  return true;
}

// Writes the counts of the action so far as its second progress line.
std::string CountsText(long long lines, long long kept) {
  return Format("%lld line(s) processed, %lld kept", lines, kept);
}

}  // namespace

bool IsListAddress(const char* text, std::size_t n) {
  if (n == 0 || n > kMaxAddress) return false;
  const char* at = static_cast<const char*>(std::memchr(text, '@', n));
  if (!at) return false;
  const std::size_t local = static_cast<std::size_t>(at - text);
  if (local == 0 || local > kMaxLocal) return false;
  bool afterAtom = false;  // a dot may follow
  for (std::size_t i = 0; i < local; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '.') {
      if (!afterAtom) return false;
      afterAtom = false;
    } else if (kClasses[c] & kAtom) {
      afterAtom = true;
    } else {
      return false;
    }
  }
  if (!afterAtom) return false;
  const std::size_t domain = n - local - 1;
  if (domain == 0 || domain > kMaxDomain) return false;
  std::size_t labels = 0;
  std::size_t label = 0;  // bytes of the label so far
  char previous = '.';
  for (const char* p = at + 1; p < text + n; ++p) {
    const char c = *p;
    if (c == '.') {
      if (label == 0 || previous == '-') return false;
      ++labels;
      label = 0;
    } else if (kClasses[static_cast<unsigned char>(c)] & kLabel) {
      if (label == 0 && c == '-') return false;
      if (++label > kMaxLabel) return false;
    } else {
      return false;  // a second '@' too
    }
    previous = c;
  }
  if (label == 0 || previous == '-') return false;
  return labels + 1 >= 2;
}

namespace {

// Bytes of a list searched on one thread at a time: small enough that the lines found
// in them are few to hold, large enough that handing them over costs nothing.
constexpr std::size_t kSlice = 1 << 20;

// The end of the line that holds byte `n` of [p, end), or `end`; [p, end) ends in LF.
const char* SliceEnd(const char* p, const char* end, std::size_t n) {
  if (static_cast<std::size_t>(end - p) <= n) return end;
  return static_cast<const char*>(
             std::memchr(p + n - 1, '\n', static_cast<std::size_t>(end - (p + n - 1)))) +
         1;
}

// Adds to `odd` the start of each line of [p, end) (whole lines, each ending in LF)
// that is not an address as it stands; returns the count of the lines. The bytes are
// classified 64 at a time, and a line of at most 64 bytes is settled from its bits;
// the others, and those the bits do not settle, are odd.
long long FindOddLines(const char* p, const char* end, std::vector<const char*>* odd) {
  long long lines = 0;
  const char* line = p;  // where the next line starts
  BlockBits before;      // of the block before `block`
  for (const char* block = p; block < end; block += 64) {
    BlockBits bits;
    if (end - block >= 64) {
      bits = ClassifyBlock(block);
    } else {
      char last[64] = {};
      std::memcpy(last, block, static_cast<std::size_t>(end - block));
      bits = ClassifyBlock(last);
    }
    for (std::uint64_t lfs = bits.lf; lfs != 0; lfs &= lfs - 1) {
      const char* lf = block + std::countr_zero(lfs);
      const char* lineEnd = lf > line && lf[-1] == '\r' ? lf - 1 : lf;
      const auto n = static_cast<std::size_t>(lineEnd - line);
      // The line's first byte, counted from the start of the block before.
      const std::ptrdiff_t from = 64 - (block - line);
      if (n == 0 || n > 64 || from < 0 ||
          !IsPlainAddress(line, before, bits, static_cast<unsigned>(from),
                          static_cast<unsigned>(n))) {
        odd->push_back(line);
      }
      ++lines;
      line = lf + 1;
    }
    before = bits;
  }
  return lines;
}

class Cleaner {
 public:
  explicit Cleaner(RunContext& run)
      : run_(run), input_(run.env(), NoKey), writer_(run.temps(), run.chunkSizes().writeBuffer) {}

  void Run() {
    const ProcessingJob& job = run_.job();
    run_.Report(kCleanHeading);
    if (!job.rejectsFileName.empty()) {
      // Named before the first line is read: a name that cannot be used ends the run now.
      const std::size_t target = run_.AddExtraResult(job.rejectsFileName);
      rejects_.emplace(run_.temps(), run_.chunkSizes().writeBuffer);
      rejects_->CreateTemp(/*willSync=*/true, &run_.PartFolder(target));
      rejectsTarget_ = target;
    }
    writer_.CreateTemp(run_.CommitIsFinal());
    const std::uint32_t chunk = job.chunkSizes.list;
    // Kept lines are written straight from the chunk while the next is read and searched.
    input_.AlternateBuffers();
    input_.Open(run_.Input(), chunk);
    run_.progress().Stage(0, 1, run_.InputBytes());

    // The line cut at the end of the chunk before goes on at the start of this one; its
    // end as the reader supplied it, for a file that ends there.
    bool continuing = false;
    std::string cutEnd;
    for (;;) {
      run_.PostInfo2(CountsText(lines_, lines_ - blank_ - rejected_));
      run_.PostInfo(kReadingEmails);
      // The chunk is read into the buffer of the one before the last, whose runs may
      // still be being written, unless a run of the last was handed over after them.
      if (!handedOver_) writer_.WaitForWrites();
      handedOver_ = false;
      if (!input_.ReadWholeLines()) break;
      if (!run_.KeepRunning()) break;
      run_.progress().Done(input_.bytesRead());
      const char* p = input_.buffer();
      const char* end = input_.wholeLinesEnd();
      if (p == end) continue;
      // A chunk without an LF in its first `chunk` bytes holds a piece of a longer line.
      const std::size_t head = std::min<std::size_t>(chunk, static_cast<std::size_t>(end - p));
      if (static_cast<std::size_t>(end - p) > chunk && !std::memchr(p, '\n', head)) {
        Reject(p, chunk);
        cutEnd.assign(p + chunk, end);
        continuing = true;
        continue;
      }
      if (continuing) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
        Reject(p, static_cast<std::size_t>(lf + 1 - p));
        ++lines_;
        ++rejected_;
        continuing = false;
        p = lf + 1;
      }
      CleanLines(p, end);
    }
    if (continuing) {
      Reject(cutEnd.data(), cutEnd.size());
      ++lines_;
      ++rejected_;
    }
    input_.Close();
    writer_.Finish(run_.CommitIsFinal());
    if (rejects_) rejects_->Finish(/*sync=*/true);

    if (!CommitTempFile(run_, writer_.name())) {
      if (rejects_) run_.temps().Delete(rejects_->name());
      return;
    }
    if (rejects_) run_.SetPartResult(rejectsTarget_, rejects_->name());
    run_.Report(CleanCountsText(trimmed_, blank_, rejected_, lines_));
    if (rejects_) run_.Report(RejectsWrittenText(job.rejectsFileName));
    run_.Report("\r\n");
  }

 private:
  // The whole lines [p, end), each ending in LF. Lines kept as they stand are written
  // in runs of one write each. Two slices at a time are searched for the lines that
  // are not plain addresses, one on the helper's thread; those are then settled here
  // in order.
  void CleanLines(const char* p, const char* end) {
    pending_ = p;
    const std::size_t slice = std::clamp<std::size_t>(input_.chunkSize() / 8, 64, kSlice);
    while (p < end) {
      const char* mid = SliceEnd(p, end, slice);
      const char* next = SliceEnd(mid, end, slice);
      if (mid != next) {
        helper_.Start([this, mid, next] { laterLines_ = FindOddLines(mid, next, &laterOdd_); });
      }
      lines_ += FindOddLines(p, mid, &odd_);
      if (mid != next) {
        helper_.Wait();
        lines_ += laterLines_;
      }
      for (const char* line : odd_) CleanLine(line, mid);
      for (const char* line : laterOdd_) CleanLine(line, next);
      odd_.clear();
      laterOdd_.clear();
      p = next;
    }
    Flush(end);
  }

  // The line at `p`, which ends in LF before `end`.
  void CleanLine(const char* p, const char* end) {
    const char* lf =
        static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* lineEnd = lf > p && lf[-1] == '\r' ? lf - 1 : lf;
    const char* b = p;
    const char* e = lineEnd;
    while (b < e && IsBlank(*b)) ++b;
    while (e > b && IsBlank(e[-1])) --e;
    if (b == e) {
      ++blank_;
      Flush(p);
      pending_ = lf + 1;
    } else if (!IsListAddress(b, static_cast<std::size_t>(e - b))) {
      ++rejected_;
      Flush(p);
      Reject(p, static_cast<std::size_t>(lf + 1 - p));
      pending_ = lf + 1;
    } else if (b != p || e != lineEnd) {
      ++trimmed_;
      Flush(p);
      writer_.Write(b, static_cast<std::size_t>(e - b));
      writer_.Write(lineEnd, static_cast<std::size_t>(lf + 1 - lineEnd));
      pending_ = lf + 1;
    }
  }

  // Writes the kept lines before `to` not yet written.
  void Flush(const char* to) {
    if (to != pending_) {
      handedOver_ |= writer_.WriteBehind(pending_, static_cast<std::size_t>(to - pending_));
    }
    pending_ = to;
  }

  void Reject(const char* bytes, std::size_t n) {
    if (rejects_ && n > 0) rejects_->Write(bytes, n);
  }

  RunContext& run_;
  // Before the writers: they may be writing from its buffers until they go.
  ListReader input_;
  ListWriter writer_;
  std::optional<ListWriter> rejects_;
  std::size_t rejectsTarget_ = 0;
  bool handedOver_ = false;  // a run of this chunk is written straight from the reader's buffer
  const char* pending_ = nullptr;      // the first kept line not yet written
  std::vector<const char*> odd_;       // lines of the slice searched here
  std::vector<const char*> laterOdd_;  // and of the helper's
  long long laterLines_ = 0;
  // Counted in 64 bits: a list of more than two billion lines must not wrap the report.
  long long lines_ = 0;
  long long trimmed_ = 0;
  long long blank_ = 0;
  long long rejected_ = 0;
  // Last, so that its task has ended before what it uses goes.
  TaskQueue helper_;
};

}  // namespace

void CleanList(RunContext& run) { Cleaner(run).Run(); }

}  // namespace vantor
