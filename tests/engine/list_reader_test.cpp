#include "engine/list_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/line_store.h"
#include "tests/support/fault_env.h"
#include "tests/support/reference_lines.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using namespace std::string_literals;
using testing::Call;
using testing::FaultEnv;
using testing::ReaderRecords;
using testing::TempDir;
using testing::WriteFile;

using Lines = std::vector<std::string>;

struct ReadResult {
  Lines records;
  // Each record with the byte after it, as a writer copies a line back out.
  std::string written;
  bool crlf = false;
};

// Reads an open reader to the end of its file. Every record must be followed by an LF.
// With `alternate`, also checks that the records of each chunk are as they were after
// the next chunk has been read.
ReadResult Drain(ListReader& reader, std::size_t fileSize, bool alternate = false) {
  ReadResult result;
  std::vector<std::pair<const char*, std::string>> before;  // the chunk before's records
  // Each call consumes a byte or finishes a line cut at the chunk's size.
  std::size_t callsLeft = 2 * fileSize + 4;
  while (reader.ReadChunk()) {
    if (callsLeft-- == 0) {
      ADD_FAILURE() << "ReadChunk does not reach the end of the file";
      break;
    }
    for (const auto& [text, bytes] : before) {
      EXPECT_EQ(std::string(text, bytes.size()), bytes) << "the chunk before changed";
    }
    before.clear();
    LineStore& lines = reader.lines();
    for (std::size_t i = 0; i < lines.count(); ++i) {
      const LineRecord& line = lines[i];
      EXPECT_GE(line.length, 1);
      EXPECT_EQ(line.text[line.length], '\n') << "after record " << result.records.size();
      result.records.emplace_back(line.text, line.length);
      result.written.append(line.text, static_cast<std::size_t>(line.length) + 1);
      if (alternate) before.emplace_back(line.text, result.records.back() + "\n");
    }
  }
  result.crlf = reader.crlfMode();
  return result;
}

std::string Escaped(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c >= 32 && c < 127 && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

class ListReaderTest : public ::testing::Test {
 protected:
  std::string Put(const std::string& bytes, const std::string& name = "list.txt") {
    std::string path = dir_.File(name);
    WriteFile(path, bytes);
    return path;
  }

  ReadResult Read(const std::string& bytes, std::uint32_t chunkSize) {
    ListReader reader(&env_, NoKey);
    reader.Open(Put(bytes), chunkSize);
    ReadResult result = Drain(reader, bytes.size());
    reader.Close();
    return result;
  }

  // The records of each ReadChunk call until it returns false.
  std::vector<Lines> Calls(const std::string& bytes, std::uint32_t chunkSize) {
    ListReader reader(&env_, NoKey);
    reader.Open(Put(bytes), chunkSize);
    std::vector<Lines> calls;
    while (reader.ReadChunk() && calls.size() < 100) {
      Lines& records = calls.emplace_back();
      for (std::size_t i = 0; i < reader.lines().count(); ++i) {
        records.emplace_back(reader.lines()[i].text, reader.lines()[i].length);
      }
    }
    return calls;
  }

  std::string OpenError(const std::string& path) {
    ListReader reader(&env_, NoKey);
    try {
      reader.Open(path, 64);
    } catch (const ActionError& error) {
      return error.text;
    }
    return "";
  }

  TempDir dir_;
  FaultEnv env_;
};

struct SplitCase {
  const char* name;
  std::string bytes;
  std::uint32_t chunkSize;
  Lines records;
  bool crlf;
  friend void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << '"' << Escaped(c.bytes) << "\", chunk " << c.chunkSize;
  }
};

class ListReaderSplitTest : public ListReaderTest,
                            public ::testing::WithParamInterface<SplitCase> {};

TEST_P(ListReaderSplitTest, YieldsTheRecordsAndWritesThemBack) {
  const SplitCase& c = GetParam();
  ReadResult result = Read(c.bytes, c.chunkSize);
  EXPECT_EQ(result.records, c.records);
  EXPECT_EQ(result.crlf, c.crlf);
  std::string written;
  for (const std::string& record : c.records) written += record + "\n";
  EXPECT_EQ(result.written, written);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListReaderSplitTest,
    ::testing::Values(
        SplitCase{"Empty", "", 64, {}, false}, SplitCase{"OnlyLineFeeds", "\n\n\n", 64, {}, false},
        SplitCase{"LastLineWithoutLf", "x\ny", 64, {"x", "y"}, false},
        SplitCase{"CrLfLastLineGetsCr", "x\r\ny", 64, {"x\r", "y\r"}, true},
        SplitCase{"EmptyLinesSkipped", "\nx\n\ny\n", 64, {"x", "y"}, false},
        SplitCase{"LoneCrIsARecord", "x\r\n\r\ny\r\n", 64, {"x\r", "\r", "y\r"}, true},
        SplitCase{"CrLfFirstThenLfLines", "a\r\nb\nc\n", 64, {"a\r", "b", "c"}, true},
        SplitCase{"CrLfFirstThenLfLast", "a\r\nb\nc", 64, {"a\r", "b", "c\r"}, true},
        SplitCase{"LfFirstThenCrLf", "a\nb\r\nc", 64, {"a", "b\r", "c"}, false},
        SplitCase{"CrInsideFirstLine", "a\rb\nc", 64, {"a\rb", "c\r"}, true},
        SplitCase{"LastLineEndsInCr", "a\r\nb\r", 64, {"a\r", "b\r\r"}, true},
        SplitCase{"NulAndHighBytes", "a\0b\n\xff\xfe\n"s, 64, {"a\0b"s, "\xff\xfe"}, false},
        // The style comes from the first chunk only: here it holds no CR.
        SplitCase{"StyleFromFirstChunkOnly", "abcd\r\ne", 4, {"abcd", "\r", "e"}, false},
        SplitCase{"LongLineCut", "abcdefghij\nk\n", 4, {"abcd", "efgh", "ij", "k"}, false},
        SplitCase{"LongLineCutCrLf", "a\r\nbcdefg\r\n", 4, {"a\r", "bcde\r", "fg\r"}, true},
        SplitCase{"LineOfChunkSize", "abcd\nef\n", 4, {"abcd", "ef"}, false},
        SplitCase{"LineOfTwiceChunkSize", "abcdefgh\ni", 4, {"abcd", "efgh", "i"}, false},
        SplitCase{"CrLfLineOfChunkSize", "x\r\nabc\r\ny\r\n", 4, {"x\r", "abc\r", "y\r"}, true},
        // A piece that fills the chunk gets the style's terminator, or an LF alone when it
        // ends in CR, so that a CR LF line cut before its LF is not given a second CR.
        SplitCase{"CutPieceGetsCrLf", "x\r\nLLLLLL", 4, {"x\r", "LLLL\r", "LL\r"}, true},
        SplitCase{"CutPieceEndingInCrGetsLf", "x\r\nabc\rd\r\n", 4, {"x\r", "abc\r", "d\r"}, true},
        SplitCase{"CutPiecesGetLfInLfStyle", "x\nabc\rdefg", 4, {"x", "abc\r", "defg"}, false},
        SplitCase{"ChunkOfOneByte", "ab\r\nc", 1, {"a", "b", "\r", "c"}, false},
        SplitCase{"CarriedAcrossChunks", "ab\ncde\nfg\nh", 4, {"ab", "cde", "fg", "h"}, false}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

TEST_F(ListReaderTest, EmptyFileEndsAtOnce) {
  ListReader reader(&env_, NoKey);
  reader.Open(Put(""), 64);
  EXPECT_FALSE(reader.ReadChunk());
  EXPECT_EQ(reader.lines().count(), 0u);
}

TEST_F(ListReaderTest, UnfinishedLastLineComesWithTheNextCall) {
  EXPECT_EQ(Calls("x\ny", 64), (std::vector<Lines>{{"x"}, {"y"}}));
}

TEST_F(ListReaderTest, LongLineFirstGivesACallWithoutRecords) {
  std::vector<Lines> calls = Calls("abcdef\n", 4);
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0], Lines{});
  EXPECT_EQ(calls[1], Lines{"abcd"});
}

TEST_F(ListReaderTest, MatchesPlainSplitterOnRandomBytes) {
  // Lists of a few lines to a few hundred bytes, with LFs dense or sparse so that lines
  // both fit and overflow small chunks, read with lines cut at the chunk and kept whole.
  int mismatches = 0;
  for (std::uint32_t seed = 1; seed <= 150; ++seed) {
    std::mt19937 rng(seed);
    const std::string common = "aaaaaaaaa@@\r\r\n"s + std::string(seed % 4 == 0 ? 1 : 4, '\n');
    std::string bytes(rng() % 160, '\0');
    for (char& b : bytes) {
      const unsigned roll = rng() % 100;
      if (roll < 2) {
        b = '\0';
      } else if (roll < 5) {
        b = static_cast<char>(128 + rng() % 128);
      } else {
        b = common[rng() % common.size()];
      }
    }
    const std::string path = Put(bytes);
    for (const int mode : {0, 1, 2, 3}) {
      const bool keepWhole = mode & 1;
      const bool alternate = mode & 2;
      for (std::uint32_t chunkSize = 1; chunkSize <= 64; ++chunkSize) {
        bool crlf = false;
        const Lines expected = ReaderRecords(bytes, chunkSize, keepWhole, &crlf);
        ListReader reader(&env_, NoKey);
        if (keepWhole) reader.KeepLinesWhole();
        if (alternate) reader.AlternateBuffers();
        reader.Open(path, chunkSize);
        const ReadResult result = Drain(reader, bytes.size(), alternate);
        std::string written;
        for (const std::string& record : expected) written += record + "\n";
        if (result.records != expected || result.written != written || result.crlf != crlf) {
          ADD_FAILURE() << "seed " << seed << ", chunk " << chunkSize
                        << (keepWhole ? " (lines kept whole)" : "")
                        << (alternate ? " (two buffers)" : "") << ", bytes \"" << Escaped(bytes)
                        << "\"\n  expected \"" << Escaped(written) << "\"\n  actual   \""
                        << Escaped(result.written) << "\"";
          if (++mismatches == 5) return;
          break;
        }
      }
    }
  }
}

TEST_F(ListReaderTest, RawChunksGiveTheFileUnsplit) {
  const std::string bytes = "ab\ncd\r\nefghijkl";
  ListReader reader(&env_, NoKey);
  reader.Open(Put(bytes), 5);
  std::string all;
  while (reader.ReadRawChunk()) {
    EXPECT_LE(reader.validBytes(), 5u);
    all.append(reader.buffer(), reader.validBytes());
  }
  EXPECT_EQ(all, bytes);
}

TEST_F(ListReaderTest, RawChunkAfterReadChunkStartsWithTheCarriedLine) {
  ListReader reader(&env_, NoKey);
  reader.Open(Put("ab\ncdefgh\n"), 4);
  ASSERT_TRUE(reader.ReadChunk());
  ASSERT_EQ(reader.lines().count(), 1u);
  ASSERT_TRUE(reader.ReadRawChunk());
  EXPECT_EQ(std::string(reader.buffer(), reader.validBytes()), "cdef");
  ASSERT_TRUE(reader.ReadRawChunk());
  EXPECT_EQ(std::string(reader.buffer(), reader.validBytes()), "gh\n");
  EXPECT_FALSE(reader.ReadRawChunk());
}

TEST_F(ListReaderTest, RawChunkAfterACutKeepsTheFullChunk) {
  ListReader reader(&env_, NoKey);
  reader.Open(Put("abcdefg"), 4);
  ASSERT_TRUE(reader.ReadChunk());
  ASSERT_EQ(reader.lines().count(), 0u);
  ASSERT_TRUE(reader.ReadRawChunk());
  EXPECT_EQ(std::string(reader.buffer(), reader.validBytes()), "abcd");
  ASSERT_TRUE(reader.ReadRawChunk());
  EXPECT_EQ(std::string(reader.buffer(), reader.validBytes()), "efg");
  EXPECT_FALSE(reader.ReadRawChunk());
}

TEST_F(ListReaderTest, ReopenReusesTheBufferAndDecidesTheStyleAgain) {
  const std::string crlf = Put("a\r\nbb\r\nccc", "crlf.txt");
  const std::string lf = Put("dd\ne\r\nf", "lf.txt");
  ListReader reader(&env_, NoKey);

  reader.Open(crlf, 4);
  ASSERT_TRUE(reader.ReadChunk());  // leaves "b" unfinished
  reader.Close();
  reader.Open(lf, 4);
  const char* buffer = reader.buffer();
  ReadResult result = Drain(reader, 7);
  EXPECT_EQ(result.records, (Lines{"dd", "e\r", "f"}));
  EXPECT_FALSE(result.crlf);
  reader.Close();

  reader.Open(crlf, 4);
  EXPECT_EQ(reader.buffer(), buffer);
  result = Drain(reader, 10);
  EXPECT_EQ(result.records, (Lines{"a\r", "bb\r", "ccc\r"}));
  EXPECT_TRUE(result.crlf);
  reader.Close();

  reader.Open(lf, 2);  // a new size: a new buffer
  result = Drain(reader, 7);
  EXPECT_EQ(result.records, (Lines{"dd", "e\r", "f"}));
}

TEST_F(ListReaderTest, OpenFailsForMissingFileAndDirectory) {
  EXPECT_EQ(OpenError(dir_.File("missing.txt")), "failed to open file");
  EXPECT_EQ(OpenError(dir_.path()), "failed to open file");
}

TEST_F(ListReaderTest, FailedReadRaises) {
  const std::string path = Put("ab\ncd\nef\ngh\n");
  for (int failing = 1; failing <= 3; ++failing) {
    for (bool raw : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "read " << failing << (raw ? " raw" : ""));
      FaultEnv env;
      env.FailCallOf(Call::Read, failing);
      ListReader reader(&env, NoKey);
      reader.Open(path, 3);
      std::string error;
      try {
        for (int call = 0; call < 10; ++call) {
          if (!(raw ? reader.ReadRawChunk() : reader.ReadChunk())) break;
        }
      } catch (const ActionError& e) {
        error = e.text;
      }
      EXPECT_EQ(error, "failed to read file");
      EXPECT_EQ(env.callsOf(Call::Read), failing);
    }
  }
}

struct KeyedRecord {
  std::string text;
  std::int32_t key;
  bool operator==(const KeyedRecord&) const = default;
  friend void PrintTo(const KeyedRecord& r, std::ostream* os) {
    *os << '"' << Escaped(r.text) << "\":" << r.key;
  }
};

std::vector<KeyedRecord> ReadKeyed(const std::string& path, LineKeyMode mode) {
  ListReader reader(Env::Default(), mode);
  reader.Open(path, 8);
  std::vector<KeyedRecord> records;
  while (reader.ReadChunk()) {
    EXPECT_EQ(reader.lines().mode(), mode);
    for (std::size_t i = 0; i < reader.lines().count(); ++i) {
      const LineRecord& line = reader.lines()[i];
      records.push_back({std::string(line.text, line.length), line.key});
    }
  }
  return records;
}

TEST_F(ListReaderTest, KeysFollowTheStoreMode) {
  const std::string path = Put("a@b\n@b\nnone\nab@c@d\n\nx\r@\n");
  EXPECT_EQ(
      ReadKeyed(path, AtSignPosition),
      (std::vector<KeyedRecord>{{"a@b", 1}, {"@b", 0}, {"none", 0}, {"ab@c@d", 2}, {"x\r@", 2}}));
  EXPECT_EQ(
      ReadKeyed(path, NoKey),
      (std::vector<KeyedRecord>{{"a@b", 0}, {"@b", 0}, {"none", 0}, {"ab@c@d", 0}, {"x\r@", 0}}));
}

TEST(LineStoreTest, GrowsToAMillionRecordsThenDoubles) {
  LineStore store(NoKey);
  EXPECT_EQ(store.capacity(), 0u);
  char text[] = "a@b\n";
  store.Add(text, 3);
  EXPECT_EQ(store.capacity(), 1048576u);
  for (std::size_t n = 2; n < 1048576; ++n) store.Add(text + n % 3, 1);
  EXPECT_EQ(store.count(), 1048575u);
  EXPECT_EQ(store.capacity(), 1048576u);
  store.Add(text + 2, 1);  // the 1,048,576th record
  EXPECT_EQ(store.capacity(), 2097152u);
  ASSERT_EQ(store.count(), 1048576u);
  EXPECT_EQ(store[0].text, text);
  EXPECT_EQ(store[0].length, 3);
  EXPECT_EQ(store[1048574].text, text + 1048575 % 3);
  EXPECT_EQ(store[1048575].text, text + 2);
  store.Clear();
  EXPECT_EQ(store.count(), 0u);
  EXPECT_EQ(store.capacity(), 2097152u);
}

}  // namespace
}  // namespace vantor
