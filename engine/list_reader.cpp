#include "engine/list_reader.h"

#include <cstring>

#include "engine/error.h"
#include "engine/line_bytes.h"
#include "engine/texts.h"

namespace vantor {

ListReader::ListReader(Env* env, LineKeyMode mode) : env_(env), lines_(mode) {}

void ListReader::Open(const std::string& name, std::uint32_t chunkSize) {
  file_ = env_->OpenForReading(name);
  if (!file_) RaiseFailed(kOpenListFailed);
  delimiterKnown_ = false;
  crlfMode_ = false;
  if (!buffer_ || chunkSize != chunkSize_) {
    buffer_.reset();
    // Not value-initialised: the pages of a fresh 20 MiB buffer are touched by the
    // read that fills them, not twice.
    buffer_.reset(new char[static_cast<std::size_t>(chunkSize) + 2 + kSlack]);
    chunkSize_ = chunkSize;
  }
  scan_ = buffer_.get();
  carry_ = 0;
  valid_ = 0;
  bytesRead_ = 0;
}

void ListReader::Close() {
  file_.reset();
  delimiterKnown_ = false;
  crlfMode_ = false;
  scan_ = buffer_.get();
  carry_ = 0;
}

std::uint32_t ListReader::Refill() {
  bool fresh = false;  // a new buffer, the carried line already at its start
  if (keepLinesWhole_ && carry_ == chunkSize_ && chunkSize_ > 0) {
    const std::uint32_t grown = chunkSize_ * 2;
    std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(grown) + 2 + kSlack]);
    std::memcpy(buffer.get(), scan_, carry_);
    // The chunk before held nothing but this unfinished line: none of it is in use.
    buffer_ = std::move(buffer);
    scan_ = buffer_.get();
    chunkSize_ = grown;
    fresh = true;
  }
  if (alternate_ && !fresh) {
    if (otherSize_ != chunkSize_) {
      other_.reset(new char[static_cast<std::size_t>(chunkSize_) + 2 + kSlack]);
      otherSize_ = chunkSize_;
    }
    if (carry_ > 0) std::memcpy(other_.get(), scan_, carry_);
    std::swap(buffer_, other_);
    scan_ = buffer_.get();
  }
  char* start = buffer_.get();
  if (carry_ > 0 && scan_ != start) std::memmove(start, scan_, carry_);
  std::size_t got = 0;
  std::uint32_t room = chunkSize_ - carry_;
  if (room > 0 && !file_->Read(start + carry_, room, &got)) RaiseFailed("failed to read file");
  bytesRead_ += got;
  return static_cast<std::uint32_t>(got);
}

bool ListReader::ReadWholeLines() {
  const std::uint32_t got = Refill();
  if (got == 0 && carry_ == 0) return false;
  char* start = buffer_.get();
  std::uint32_t valid = carry_ + got;

  if (!delimiterKnown_) {
    const char* end = start + valid;
    for (const char* p = start; p < end; ++p) {
      if (*p == '\n') break;
      if (*p == '\r') {
        crlfMode_ = true;
        break;
      }
    }
    delimiterKnown_ = true;
  }

  // The sentinel guarantees an LF after the valid bytes. When nothing more came from
  // the file it also ends the carried line with the terminator of the file's style.
  // A piece that filled the whole chunk and ends in CR may be a CR LF line cut just
  // before its LF, the next byte of the file: it gets an LF alone, or the line would
  // be written back ending CR CR LF.
  const bool cutAfterCr = got == 0 && valid == chunkSize_ && start[valid - 1] == '\r';
  std::uint32_t sentinel = 1;
  if (crlfMode_ && !cutAfterCr) {
    start[valid] = '\r';
    start[valid + 1] = '\n';
    sentinel = 2;
  } else {
    start[valid] = '\n';
  }
  if (got == 0) valid += sentinel;

  // The unfinished line after the last LF waits for the next chunk.
  std::uint32_t whole = valid;
  while (whole > 0 && start[whole - 1] != '\n') --whole;
  carry_ = valid - whole;
  scan_ = start + whole;
  valid_ = valid;
  return true;
}

bool ListReader::ReadChunk() {
  lines_.Clear();
  if (!ReadWholeLines()) return false;
  ForEachLine(buffer_.get(), scan_, [this](char* line, std::size_t withLf) {
    if (withLf > 1) lines_.Add(line, static_cast<std::int32_t>(withLf - 1));
  });
  return true;
}

bool ListReader::ReadRawChunk() {
  const std::uint32_t got = Refill();
  if (got == 0 && carry_ == 0) return false;
  valid_ = carry_ + got;
  carry_ = 0;
  scan_ = buffer_.get();
  return true;
}

}  // namespace vantor
