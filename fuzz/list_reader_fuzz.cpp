// The ListReader, opened directly, against the plain splitter of the harness.
#include <string>

#include "engine/line_store.h"
#include "engine/list_reader.h"
#include "engine/platform/env.h"
#include "fuzz/checks.h"
#include "fuzz/harness.h"

namespace vantor::fuzz {
namespace {

// Each record followed by an LF, as a writer copies records out.
std::string Joined(const Lines& records) {
  std::string text;
  for (const std::string& record : records) text += record + "\n";
  return text;
}

// ---------------------------------------------------------------------------------
// The list reader

struct Drained {
  Lines records;
  std::string written;  // each record with the byte after it, as a writer copies it
  std::string problem;
};

Drained Drain(ListReader& reader, std::size_t fileSize) {
  Drained result;
  // Each call consumes a byte or finishes a line cut at the chunk's size.
  std::size_t callsLeft = 2 * fileSize + 4;
  while (reader.ReadChunk()) {
    if (callsLeft-- == 0) {
      result.problem = "ReadChunk does not reach the end of the file";
      return result;
    }
    LineStore& lines = reader.lines();
    for (std::size_t i = 0; i < lines.count(); ++i) {
      const LineRecord& line = lines[i];
      if (line.length < 1) {
        result.problem = "record " + std::to_string(result.records.size()) + " has length " +
                         std::to_string(line.length);
        return result;
      }
      if (line.text[line.length] != '\n') {
        result.problem = "record " + std::to_string(result.records.size()) + " " +
                         Quoted(std::string(line.text, line.length)) + " is not followed by an LF";
      }
      result.records.emplace_back(line.text, line.length);
      result.written.append(line.text, static_cast<std::size_t>(line.length) + 1);
    }
  }
  return result;
}

// Header: the chunk size; whether lines are kept whole, and whether the reader first
// reads part of the file with another chunk size (the second header byte holds that
// size too); how many chunks that first reading takes.
std::string ListReaderCase(const Input& in) {
  const std::uint32_t firstChunk = 1 + in.header[0] % 64;
  const bool keepWhole = in.header[1] & 1;
  const bool reopen = in.header[1] & 2;
  const std::uint32_t chunk = reopen ? 1 + (in.header[1] >> 2) % 64 : firstChunk;
  const int earlyCalls = in.header[2] % 8;
  const std::string& bytes = in.body;
  std::string where = "list " + Quoted(bytes) + ", chunk " + std::to_string(chunk);
  if (keepWhole) where += ", lines kept whole";
  if (reopen) {
    where += ", opened again after " + std::to_string(earlyCalls) + " chunk(s) of " +
             std::to_string(firstChunk);
  }
  where += ": ";

  ResetDirectory();
  const std::string path = PathOf("list.txt");
  WriteFile(path, bytes);
  bool crlf = false;
  const Lines expected = ReaderRecords(bytes, chunk, keepWhole, &crlf);

  ListReader reader(Env::Default(), NoKey);
  if (keepWhole) reader.KeepLinesWhole();
  if (reopen) {
    reader.Open(path, firstChunk);
    for (int i = 0; i < earlyCalls && reader.ReadChunk(); ++i) {
    }
    reader.Close();
  }
  reader.Open(path, chunk);
  const Drained got = Drain(reader, bytes.size());
  const bool gotCrlf = reader.crlfMode();
  reader.Close();
  if (!got.problem.empty()) return where + got.problem;
  if (got.records != expected) {
    return where + Differs("the records", Quoted(got.records), Quoted(expected));
  }
  if (got.written != Joined(expected)) {
    return where + Differs("what is written back", Quoted(got.written), Quoted(Joined(expected)));
  }
  if (gotCrlf != crlf)
    return where + (crlf ? "the style is LF, expected CR LF" : "the style is CR LF, expected LF");

  // Raw chunks give the file back as it is.
  ListReader raw(Env::Default(), NoKey);
  raw.Open(path, chunk);
  std::string all;
  std::size_t callsLeft = bytes.size() + 2;
  while (raw.ReadRawChunk()) {
    if (callsLeft-- == 0) return where + "ReadRawChunk does not reach the end of the file";
    if (raw.validBytes() == 0 || raw.validBytes() > chunk) {
      return where + "a raw chunk of " + std::to_string(raw.validBytes()) + " bytes";
    }
    all.append(raw.buffer(), raw.validBytes());
  }
  raw.Close();
  if (all != bytes) return where + Differs("the raw chunks", Quoted(all), Quoted(bytes));
  return "";
}

}  // namespace

std::string CheckListReader(const std::uint8_t* data, std::size_t size) {
  return RunCase(data, size, 3, ListReaderCase);
}

}  // namespace vantor::fuzz
