#include "engine/merge.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/format.h"
#include "engine/list_writer.h"
#include "engine/run_context.h"

namespace vantor {

namespace {

constexpr const char* kOpenListError = "failed to open input file for reading";
constexpr const char* kReadError = "failed to read from file";
constexpr const char* kWriteError = "failed to write into file";

// How much of a list is read to look for its first line end before the rest of its
// first chunk.
constexpr std::size_t kGlance = 64u << 10;

std::unique_ptr<ReadableFile> OpenList(Env* env, const std::string& name) {
  std::unique_ptr<ReadableFile> list = env->OpenForReading(name);
  if (!list) RaiseFailed(kOpenListError);
  return list;
}

std::size_t ReadBlock(ReadableFile& list, char* buffer, std::size_t size) {
  std::size_t got = 0;
  if (!list.Read(buffer, size, &got)) RaiseFailed(kReadError);
  return got;
}

// The line end of the first LF in `bytes`: CR LF when a CR stands before it.
// Null when there is no LF.
const char* FirstLineEnd(const char* bytes, std::size_t n) {
  const char* lf = static_cast<const char*>(std::memchr(bytes, '\n', n));
  if (!lf) return nullptr;
  return lf > bytes && lf[-1] == '\r' ? "\r\n" : "\n";
}

}  // namespace

void MergeLists(RunContext& run) {
  const ProcessingJob& job = run.job();
  Env* env = run.env();
  std::string tempName;
  std::unique_ptr<WritableFile> out = run.temps().Create(&tempName, run.temps().ResultFolder());

  const std::size_t blockSize = job.chunkSizes.list;
  std::unique_ptr<char[]> buffer(new char[blockSize]);
  char* const block = buffer.get();
  run.PostInfo2(Format("%lld file(s) merged", 0LL));

  // Taken once, from the first chunk of the first list that has one in its first
  // chunk, counting from the first list that has any bytes.
  const char* delimiter = "\n";
  bool delimiterChosen = false;
  const std::vector<std::string>& lists = job.mergeFiles;
  std::uint64_t sinceWriteback = 0;
  std::uint64_t listsBytes = 0;
  for (const std::string& name : lists) listsBytes += env->Inspect(name).size;
  run.progress().Stage(0, 1, listsBytes);
  std::uint64_t merged = 0;
  for (std::size_t i = 0; i < lists.size() && run.KeepRunning(); ++i) {
    std::unique_ptr<ReadableFile> list = OpenList(env, lists[i]);
    char lastByte = '\n';  // an empty list needs no line end after it
    for (;;) {
      run.PostInfo("Reading data...");
      std::uint64_t n = 0;
      if (delimiterChosen) {
        // Nothing but the last byte is looked at: the file system copies the block.
        if (!out->CopyFrom(*list, blockSize, block, blockSize, &n, &lastByte)) {
          RaiseFailed(kWriteError);
        }
        if (n == 0) break;
        run.PostInfo("Merging data...");
      } else {
        // The first line end of the first chunk is most often near its start: the rest
        // of the chunk is read only when the first bytes hold none.
        const std::size_t glance = std::min(blockSize, kGlance);
        std::size_t got = ReadBlock(*list, block, glance);
        if (glance < blockSize && got == glance && !std::memchr(block, '\n', got)) {
          got += ReadBlock(*list, block + got, blockSize - got);
        }
        if (got == 0) break;
        run.PostInfo("Determining line delimiter...");
        delimiterChosen = true;
        if (const char* found = FirstLineEnd(block, got)) {
          delimiter = found;
        } else {
          // The later lists are looked at through the same buffer, so this list's
          // first chunk is read again afterwards.
          list.reset();
          for (std::size_t j = i + 1; j < lists.size(); ++j) {
            std::unique_ptr<ReadableFile> later = OpenList(env, lists[j]);
            const char* found = FirstLineEnd(block, ReadBlock(*later, block, blockSize));
            if (found) {
              delimiter = found;
              break;
            }
          }
          list = OpenList(env, lists[i]);
          got = ReadBlock(*list, block, blockSize);
          if (got == 0) break;
        }
        run.PostInfo("Merging data...");
        if (!WriteInSlices(out.get(), block, got)) RaiseFailed(kWriteError);
        lastByte = block[got - 1];
        n = got;
      }
      sinceWriteback += n;
      merged += n;
      run.progress().Done(merged);
      if (sinceWriteback >= kWritebackStep) {
        out->StartWriteback();
        sinceWriteback = 0;
      }
      if (!run.KeepRunning()) break;
    }
    list.reset();
    if (lastByte != '\n' && !out->Write(delimiter, std::strlen(delimiter))) {
      RaiseFailed("failed to write info file");
    }
    run.PostInfo2(Format("%lld file(s) merged", static_cast<long long>(i + 1)));
  }
  buffer.reset();

  if (run.KeepRunning()) {
    // The merged list must be on the disk before it replaces the output file.
    if (!out->Sync() || !out->Close()) RaiseFailed(kWriteError);
  } else {
    out->Close();
  }
  out.reset();
  if (!CommitTempFile(run, tempName)) return;
  run.Report(Format("%llu files merged\r\n\r\n", static_cast<unsigned long long>(lists.size())));
}

}  // namespace vantor
