#include "engine/include.h"

#include <string>

#include "engine/choices.h"
#include "engine/error.h"
#include "engine/format.h"
#include "engine/list_reader.h"
#include "engine/list_writer.h"
#include "engine/run_context.h"
#include "engine/texts.h"

namespace vantor {

namespace {

bool EndsInCr(const LineRecord& line) { return line.text[line.length - 1] == '\r'; }

// Records [first, last] of one chunk as one byte range, through the LF after `last`:
// blank lines between them go along as they stand.
void WriteRun(ListWriter& writer, const LineRecord& first, const LineRecord& last) {
  const char* end = last.text + last.length + 1;
  writer.Write(first.text, static_cast<std::size_t>(end - first.text));
}

}  // namespace

void IncludeEmail(RunContext& run) {
  const ProcessingJob& job = run.job();
  run.Report("Include email into the list:\r\n");
  // With no period of 1 or more the address would be written without end.
  if (job.includePeriod < 1) Raise("invalid period of inclusion");
  // The front ends refuse such an address; a job built elsewhere must not slip lines of
  // its own into the list.
  if (!IsOneLine(job.includeEmail)) Raise("invalid email to include");
  const long long period = job.includePeriod;
  // The address with each of the two line ends, so that it goes out in one write.
  const std::string withLf = job.includeEmail + "\n";
  const std::string withCrLf = job.includeEmail + "\r\n";

  ListWriter writer(run.temps(), run.chunkSizes().writeBuffer);
  writer.CreateTemp(run.CommitIsFinal());
  ListReader input(run.env(), NoKey);
  input.Open(run.Input(), job.chunkSizes.list);
  run.progress().Stage(0, 1, run.InputBytes());

  // Counted in 64 bits: a list of more than two billion lines must not wrap the report.
  long long total = 0;
  long long included = 0;
  long long sinceLast = 0;  // addresses written since the last inclusion; spans chunks
  // Whether the first line of the run being written ends in CR: the address after the
  // run takes that line's ending, even when the run began in an earlier chunk.
  bool runStartsCrLf = false;
  for (;;) {
    run.PostInfo2(Format("%lld email(s) processed, %lld email(s) included", total, included));
    run.PostInfo(kReadingEmails);
    if (!input.ReadChunk()) break;
    if (!run.KeepRunning()) break;
    run.progress().Done(input.bytesRead());
    LineStore& lines = input.lines();
    const long long d = static_cast<long long>(lines.count());
    if (d == 0) continue;
    total += d;
    run.PostInfo("Writing emails...");
    long long b = 0;
    long long need = period - sinceLast;
    if (sinceLast == 0) runStartsCrLf = EndsInCr(lines[0]);
    while (d - b >= need) {
      WriteRun(writer, lines[b], lines[b + need - 1]);
      const std::string& address = runStartsCrLf ? withCrLf : withLf;
      writer.Write(address.data(), address.size());
      ++included;
      sinceLast = 0;
      b += need;
      need = period;
      if (b < d) runStartsCrLf = EndsInCr(lines[b]);
    }
    if (b < d) {
      WriteRun(writer, lines[b], lines[d - 1]);
      sinceLast += d - b;
    }
  }
  writer.Finish(run.CommitIsFinal());
  input.Close();

  if (!CommitTempFile(run, writer.name())) return;
  run.Report("Email '" + job.includeEmail + "' is included " +
             Format("%lld time(s) into the list of %lld emails\r\n\r\n", included, total));
}

}  // namespace vantor
