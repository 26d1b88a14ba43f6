// Reads a list file chunk by chunk into one buffer and splits each chunk into lines
// without copying them. A line is the bytes before an LF; empty lines yield nothing; a
// line longer than the chunk is cut at the chunk's size. The line style (LF or CR LF) is
// decided from the first chunk and only chooses the terminator supplied after a last
// line that has none and after each piece that fills a chunk; such a piece that ends in
// CR gets an LF alone.
//
// Records stay valid until the next ReadChunk, ReadRawChunk, Open or destruction.
#ifndef VANTOR_ENGINE_LIST_READER_H_
#define VANTOR_ENGINE_LIST_READER_H_

#include <cstdint>
#include <memory>
#include <string>

#include "engine/line_store.h"
#include "engine/platform/env.h"

namespace vantor {

class ListReader {
 public:
  // Bytes after the buffer that are never data: a line can be copied with a few wide
  // moves that may read past its end (ListWriter::WriteLine).
  static constexpr std::size_t kSlack = 64;

  // `env` must outlive the reader.
  ListReader(Env* env, LineKeyMode mode);
  ListReader(const ListReader&) = delete;
  ListReader& operator=(const ListReader&) = delete;

  // Opens `name` for reading. Raises "failed to open file". The buffer of an earlier
  // Open is kept when the chunk size is the same. Close before opening again.
  void Open(const std::string& name, std::uint32_t chunkSize);
  // Closes the file and keeps the buffer.
  void Close();
  // From now on a line longer than the chunk grows the buffer instead of being cut, so
  // that a line written whole from a larger chunk is read back whole.
  void KeepLinesWhole() { keepLinesWhole_ = true; }

  // From now on each chunk is read into the other of two buffers, so that the bytes of
  // the chunk before stay as they are until the next read: a writer may still be
  // writing them while this chunk is used.
  void AlternateBuffers() { alternate_ = true; }

  // Reads the next chunk and fills lines() with its lines. False when the file is
  // exhausted; true may come with no record (a line longer than the chunk is still
  // being read). Raises "failed to read file" and the LineStore's errors.
  bool ReadChunk();
  // Reads the next chunk as ReadChunk does, without making records: the chunk's lines
  // that have their line end (the last one possibly supplied) are the bytes from
  // buffer() to wholeLinesEnd(), each ending in LF. False when the file is exhausted.
  // Raises "failed to read file".
  bool ReadWholeLines();
  const char* wholeLinesEnd() const { return scan_; }
  // Reads the next chunk without splitting it: an unfinished line left by ReadChunk
  // comes first, then the bytes after it. The bytes are buffer()[0, validBytes()).
  // False when the file is exhausted. Raises "failed to read file".
  bool ReadRawChunk();

  LineStore& lines() { return lines_; }
  char* buffer() { return buffer_.get(); }
  std::uint32_t validBytes() const { return valid_; }
  bool crlfMode() const { return crlfMode_; }
  std::uint32_t chunkSize() const { return chunkSize_; }
  // The bytes read from the file since Open.
  std::uint64_t bytesRead() const { return bytesRead_; }

 private:
  // Moves the unfinished line to the buffer's start and reads after it; returns the
  // number of bytes read.
  std::uint32_t Refill();

  Env* env_;
  std::unique_ptr<ReadableFile> file_;
  LineStore lines_;
  bool keepLinesWhole_ = false;
  bool delimiterKnown_ = false;
  bool crlfMode_ = false;
  std::uint32_t chunkSize_ = 0;
  // chunkSize_ + 2 bytes (room for a supplied CR LF), then kSlack bytes.
  std::unique_ptr<char[]> buffer_;
  // With AlternateBuffers: the buffer of the chunk before, and its chunk size.
  bool alternate_ = false;
  std::unique_ptr<char[]> other_;
  std::uint32_t otherSize_ = 0;
  char* scan_ = nullptr;
  std::uint32_t carry_ = 0;
  std::uint32_t valid_ = 0;
  std::uint64_t bytesRead_ = 0;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_LIST_READER_H_
