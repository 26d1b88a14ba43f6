#include "engine/clean.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "engine/format.h"
#include "engine/list_reader.h"
#include "engine/list_writer.h"
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

class Cleaner {
 public:
  explicit Cleaner(RunContext& run)
      : run_(run), writer_(run.temps(), run.chunkSizes().writeBuffer), input_(run.env(), NoKey) {}

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
    input_.Open(run_.Input(), chunk);
    run_.progress().Stage(0, 1, run_.InputBytes());

    // The line cut at the end of the chunk before goes on at the start of this one; its
    // end as the reader supplied it, for a file that ends there.
    bool continuing = false;
    std::string cutEnd;
    for (;;) {
      run_.PostInfo2(CountsText(lines_, lines_ - blank_ - rejected_));
      run_.PostInfo(kReadingEmails);
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
  // in runs of one write each.
  void CleanLines(const char* p, const char* end) {
    const char* run = p;  // kept lines not yet written
    auto flush = [&](const char* to) {
      if (to != run) writer_.Write(run, static_cast<std::size_t>(to - run));
    };
    while (p < end) {
      const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
      const char* lineEnd = lf > p && lf[-1] == '\r' ? lf - 1 : lf;
      const char* b = p;
      const char* e = lineEnd;
      while (b < e && IsBlank(*b)) ++b;
      while (e > b && IsBlank(e[-1])) --e;
      ++lines_;
      if (b == e) {
        ++blank_;
        flush(p);
        run = lf + 1;
      } else if (!IsListAddress(b, static_cast<std::size_t>(e - b))) {
        ++rejected_;
        flush(p);
        Reject(p, static_cast<std::size_t>(lf + 1 - p));
        run = lf + 1;
      } else if (b != p || e != lineEnd) {
        ++trimmed_;
        flush(p);
        writer_.Write(b, static_cast<std::size_t>(e - b));
        writer_.Write(lineEnd, static_cast<std::size_t>(lf + 1 - lineEnd));
        run = lf + 1;
      }
      p = lf + 1;
    }
    flush(end);
  }

  void Reject(const char* bytes, std::size_t n) {
    if (rejects_ && n > 0) rejects_->Write(bytes, n);
  }

  RunContext& run_;
  ListWriter writer_;
  std::optional<ListWriter> rejects_;
  std::size_t rejectsTarget_ = 0;
  ListReader input_;
  // Counted in 64 bits: a list of more than two billion lines must not wrap the report.
  long long lines_ = 0;
  long long trimmed_ = 0;
  long long blank_ = 0;
  long long rejected_ = 0;
};

}  // namespace

void CleanList(RunContext& run) { Cleaner(run).Run(); }

}  // namespace vantor
