#include "engine/extract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/format.h"
#include "engine/list_reader.h"
#include "engine/run_random.h"
#include "engine/runner.h"
#include "tests/support/action_test.h"
#include "tests/support/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using testing::ReadFile;
using testing::WriteFile;
using Names = std::vector<std::string>;

constexpr char kHeading[] = "Extract random sublist:\r\n";
constexpr std::uint32_t kWhole = 1 << 22;  // one chunk for the whole list

// The records of a list: the runs of bytes before each LF (or the end), empty ones left
// out.
Names Records(const std::string& text) {
  Names records;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t lf = text.find('\n', pos);
    if (lf == std::string::npos) lf = text.size();
    if (lf > pos) records.push_back(text.substr(pos, lf - pos));
    pos = lf + 1;
  }
  return records;
}

// `count` distinct lines "l00000" and on, each ended by `end`.
std::string Numbered(int count, const char* end = "\n") {
  std::string text;
  char line[16];
  for (int i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "l%05d", i);
    text += line;
    text += end;
  }
  return text;
}

// The position of a line made by Numbered.
int PositionOf(const std::string& record) { return std::stoi(record.substr(1, 5)); }

// One extract action on the files of the shared fixture.
class ExtractTest : public testing::ActionTest {
 protected:
  ExtractTest() { job_.extractOn = true; }

  // Runs the job with the generator seeded by `seed`; returns the error text, empty
  // when the run completed.
  std::string Run(const std::string& list, std::int32_t count, std::uint32_t seed = 1) {
    WriteFile(dir_.File("in.txt"), list);
    job_.extractCount = count;
    job_.random.Seed(seed);
    return RunAgain();
  }

  static std::string Report(long long extracted, long long lines) {
    return kHeading + std::to_string(extracted) + " random email(s) extracted from the list of " +
           std::to_string(lines) + " emails\r\n\r\n";
  }
};

// ---------------------------------------------------------------------------------
// MulDiv

TEST(MulDivTest, RoundsToTheNearestAndHalvesAwayFromZero) {
  struct Case {
    std::int64_t x, y, z, expected;
  };
  const Case cases[] = {
      {645, 100, 1000, 65},  // 64.5
      {640, 100, 1000, 64},
      {700, 100, 1000, 70},
      {100, 100, 1000, 10},
      {1, 1, 2, 1},  // 0.5
      {3, 1, 2, 2},  // 1.5
      {5, 1, 2, 3},  // 2.5
      {1, 1, 3, 0},
      {2, 1, 3, 1},
      {-1, 1, 2, -1},
      {-5, 1, 2, -3},
      {5, 1, -2, -3},
      {-5, -1, 2, 3},
      {-4, 1, 3, -1},
      {1048000, 100000, 2000000, 52400},
      {952000, 100000, 2000000, 47600},
      // The product is never cut to 32 or 64 bits.
      {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
      {INT64_MAX, 4, 8, INT64_MAX / 2 + 1},
      {INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX},
      // No quotient: -1.
      {7, 1, 0, -1},
      {INT64_MAX, 4, 2, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MulDiv(c.x, c.y, c.z), c.expected) << c.x << " * " << c.y << " / " << c.z;
  }
}

// ---------------------------------------------------------------------------------
// The random index and the picks of one chunk, with draws given by the test.

struct Script {
  std::vector<int> values;
  std::size_t next = 0;
  int Draw() { return values.at(next++); }
};

std::vector<int> Repeat(int value, int times) { return std::vector<int>(times, value); }
std::vector<int> Join(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(RandomIndexTest, TakesOneDrawUpTo32768RecordsAndTwoBeyondFirstHigh) {
  struct Case {
    std::uint32_t n;
    std::vector<int> draws;
    std::uint32_t expected;
  };
  // For 40,000 records the largest multiple below 2^30 is 1,073,720,000: 32767 in the
  // high bits and 10944 in the low ones.
  const Case cases[] = {
      {1000, {18467}, 467},
      {32768, {32767}, 32767},
      {40000, {0, 5}, 5},
      {40000, {5, 0}, 3840},  // 5 * 32768 mod 40000
      {40000, {1, 7231}, 39999},
      {40000, {32767, 10943}, 39999},    // the last value kept
      {40000, {32767, 10944, 0, 7}, 7},  // the first value drawn again
      {40000, {32767, 32767, 1, 7231}, 39999},
      {32769, {1, 0}, 32768},
      {65536, {32767, 32767}, 65535},  // 2^30 is a multiple: nothing is drawn again
  };
  for (const Case& c : cases) {
    Script script{c.draws};
    EXPECT_EQ(RandomIndex(script, c.n), c.expected) << "n " << c.n;
    EXPECT_EQ(script.next, c.draws.size()) << "n " << c.n;
  }
}

TEST(RandomIndexTest, FollowsTheSeededGenerator) {
  // Seeded with 1 the generator draws 41, 18467, 6334, 26500, 19169, 15724.
  RunRandom random;
  random.Seed(1);
  EXPECT_EQ(RandomIndex(random, 40000), (41u * 32768 + 18467) % 40000);  // 1955
  EXPECT_EQ(RandomIndex(random, 40000), (6334u * 32768 + 26500) % 40000);
  EXPECT_EQ(RandomIndex(random, 40000), (19169u * 32768 + 15724) % 40000);
}

TEST(RandomIndexTest, SpreadsEvenlyOverALargeChunk) {
  constexpr std::uint32_t n = 100000;
  constexpr int kDraws = 400000;
  RunRandom random;
  random.Seed(7);
  std::vector<int> buckets(10);
  std::uint32_t lowest = n;
  std::uint32_t highest = 0;
  for (int i = 0; i < kDraws; ++i) {
    const std::uint32_t index = RandomIndex(random, n);
    ASSERT_LT(index, n);
    ++buckets[index / (n / 10)];
    lowest = std::min(lowest, index);
    highest = std::max(highest, index);
  }
  // 40,000 expected per tenth, with a standard deviation near 190.
  for (int count : buckets) {
    EXPECT_GT(count, 39000);
    EXPECT_LT(count, 41000);
  }
  EXPECT_LT(lowest, 10u);
  EXPECT_GE(highest, n - 10);
}

TEST(ChunkPicksTest, AfterAHundredTakenDrawsTakesTheSmallestFreeIndex) {
  ChunkPicks picks;
  picks.Reset(5);
  // 1 at random; then a hundred draws of 1 give 0, then 2; 3 at random; then 4.
  Script script{Join(Join(Join(Join({1}, Repeat(1, 100)), Repeat(1, 100)), {3}), Repeat(3, 100))};
  EXPECT_EQ(picks.Take(script), 1u);
  EXPECT_EQ(picks.Take(script), 0u);
  EXPECT_EQ(picks.Take(script), 2u);
  EXPECT_EQ(picks.Take(script), 3u);
  EXPECT_EQ(picks.Take(script), 4u);
  EXPECT_EQ(script.next, script.values.size());

  // A new chunk starts with every index free, and in a large one each draw is two.
  picks.Reset(40000);
  Script zeros{Repeat(0, 2 + 200 + 200)};
  EXPECT_EQ(picks.Take(zeros), 0u);
  EXPECT_EQ(picks.Take(zeros), 1u);
  EXPECT_EQ(picks.Take(zeros), 2u);
  EXPECT_EQ(zeros.next, zeros.values.size());
}

// ---------------------------------------------------------------------------------
// The action

struct Example {
  std::string list;
  std::int32_t count;
  std::uint32_t chunk;
  std::string output;
  int extracted;
  int lines;
  std::int32_t countAfter;
};

void PrintTo(const Example& e, std::ostream* os) {
  *os << ::testing::PrintToString(e.list) << " count " << e.count << " chunk " << e.chunk;
}

class ExtractExampleTest : public ExtractTest, public ::testing::WithParamInterface<Example> {};

TEST_P(ExtractExampleTest, WritesTheSublistAndReportsIt) {
  const Example& e = GetParam();
  job_.chunkSizes.list = e.chunk;
  ASSERT_EQ(Run(e.list, e.count), "");
  EXPECT_EQ(Output(), e.output);
  EXPECT_EQ(job_.resultsText, Report(e.extracted, e.lines));
  EXPECT_EQ(job_.extractCount, e.countAfter);
  EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"}));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ExtractExampleTest,
    ::testing::Values(Example{"", 5, kWhole, "", 0, 0, 0},
                      // A short list gives all its lines, in their order.
                      Example{Numbered(6), 10, kWhole, Numbered(6), 6, 6, 6},
                      Example{Numbered(6, "\r\n"), 6, kWhole, Numbered(6, "\r\n"), 6, 6, 6},
                      // A last line without a line end counts and gets one.
                      Example{"a\nb\nc", 3, kWhole, "a\nb\nc\n", 3, 3, 3},
                      Example{"a\r\nb", 2, kWhole, "a\r\nb\r\n", 2, 2, 2},
                      // In CR LF style a blank line is a record and can be taken.
                      Example{"a\r\n\r\nb\r\n", 3, kWhole, "a\r\n\r\nb\r\n", 3, 3, 3},
                      // LF blank lines are counted but hold no record: only two lines can be taken,
                      // and the report says so.
                      Example{"a\n\n\nb\n", 4, kWhole, "a\nb\n", 2, 4, 4},
                      // Every chunk taken whole when all lines are asked for.
                      Example{Numbered(40), 40, 16, Numbered(40), 40, 40, 40},
                      Example{Numbered(40, "\r\n"), 100, 20, Numbered(40, "\r\n"), 40, 40, 40}));

// 1,000 lines in one chunk: from 65 % of the chunk on, its first lines are taken as they
// stand; below, distinct lines in random order.
TEST_F(ExtractTest, TakesAChunkFromItsStartFrom65PercentOn) {
  const std::string list = Numbered(1000);
  const Names all = Records(list);
  for (int count : {100, 640, 645, 700}) {
    ASSERT_EQ(Run(list, count), "");
    const Names got = Records(Output());
    ASSERT_EQ(got.size(), static_cast<std::size_t>(count));
    const Names first(all.begin(), all.begin() + count);
    if (count >= 645) {
      EXPECT_EQ(got, first) << count;
    } else {
      EXPECT_NE(got, first) << count;
      EXPECT_EQ(std::set<std::string>(got.begin(), got.end()).size(), got.size()) << count;
      for (const std::string& line : got) EXPECT_EQ(line, all[PositionOf(line)]) << count;
    }
    EXPECT_EQ(job_.resultsText, Report(count, 1000));
  }
}

// Six lines, three asked for, seeded with 1: the draws 41, 18467, 6334, 26500, 19169,
// 15724 and 11478, modulo 6, are 5, 5, 4, 4, 5, 4 and 0: each pick takes one draw, a
// draw that hits a taken line is drawn again, and the lines go out in the order taken.
TEST_F(ExtractTest, PicksInASmallChunkTakeOneDrawEach) {
  ASSERT_EQ(Run("l0\nl1\nl2\nl3\nl4\nl5\n", 3, /*seed=*/1), "");
  EXPECT_EQ(Output(), "l5\nl4\nl0\n");
  EXPECT_EQ(job_.random.Draw(), 29358);  // the eighth value: seven were drawn
}

// A chunk of more than 32,768 records: the picks reach its far end.
TEST_F(ExtractTest, PicksInALargeChunkReachEveryPart) {
  const std::string list = Numbered(40000);
  for (int count : {200, 20000}) {
    ASSERT_EQ(Run(list, count, /*seed=*/3), "");
    const Names got = Records(Output());
    ASSERT_EQ(got.size(), static_cast<std::size_t>(count));
    std::set<int> positions;
    for (const std::string& line : got) positions.insert(PositionOf(line));
    EXPECT_EQ(positions.size(), got.size()) << count;
    EXPECT_GE(*positions.rbegin(), 39000) << count;
    EXPECT_GT(std::count_if(positions.begin(), positions.end(), [](int p) { return p >= 32768; }),
              count / 10)
        << count;
  }
}

// Two chunks of 1,048,000 and 952,000 records with 100,000 asked for: the first gives
// 52,401, the second is cut from 47,601 to the 47,599 still wanted.
TEST_F(ExtractTest, EveryChunkGivesItsShareAndTheLastIsCutShort) {
  std::string list;
  list.reserve(4000000);
  for (int i = 0; i < 1048000; ++i) list += "a\n";
  for (int i = 0; i < 952000; ++i) list += "b\n";
  job_.chunkSizes.list = 2 * 1048000;
  ASSERT_EQ(Run(list, 100000), "");
  const std::string out = Output();
  ASSERT_EQ(out.size(), 200000u);
  const std::size_t firstB = out.find('b');
  EXPECT_EQ(firstB, 2u * 52401);
  EXPECT_EQ(std::count(out.begin(), out.end(), 'b'), 47599);
  EXPECT_EQ(out.find('a', firstB), std::string::npos);
  EXPECT_EQ(job_.resultsText, Report(100000, 2000000));
}

// The chunk of each record when lines are shorter than the chunk: the records whose LF
// lies in the chunk's bytes, which start at the first line not yet finished.
std::vector<int> ChunkOfEachRecord(const std::string& list, std::size_t chunk) {
  std::vector<int> chunks;
  std::size_t start = 0;
  for (int index = 0; start < list.size(); ++index) {
    const std::size_t end = std::min(start + chunk, list.size());
    std::size_t next = start;
    for (std::size_t p = start; p < end; ++p) {
      if (list[p] != '\n') continue;
      if (p > next) chunks.push_back(index);
      next = p + 1;
    }
    if (end == list.size() && next < end) {
      chunks.push_back(index + 1);  // a last line without an LF comes alone
      break;
    }
    start = next;
  }
  return chunks;
}

// Seeded random lists of distinct lines in both styles, through chunks of several
// sizes: the sublist holds distinct lines of the list, as many as asked for or as the
// list holds, chunk by chunk in file order, and one seed gives one sublist.
TEST_F(ExtractTest, GivesDistinctLinesAsManyAsAskedAndTheSameForTheSameSeed) {
  std::mt19937 random(5);
  const std::uint32_t chunks[] = {16, 40, 200, kWhole};
  for (int round = 0; round < 30; ++round) {
    const int lines = static_cast<int>(random() % 120);
    const char* end = random() % 2 ? "\r\n" : "\n";
    // Each line as it is written back: the last one gets the line end of the list's
    // style when it has none.
    const Names all = Records(Numbered(lines, end));
    std::string list = Numbered(lines, end);
    if (lines > 0 && random() % 4 == 0) list.resize(list.size() - std::strlen(end));
    const std::int32_t count = 1 + static_cast<std::int32_t>(random() % (lines + 10));
    const std::uint32_t seed = random();
    const int expected = std::min(count, lines);
    for (std::uint32_t chunk : chunks) {
      job_.chunkSizes.list = chunk;
      job_.chunkSizes.writeBuffer = round % 3 == 0 ? 16 : 1 << 20;
      ASSERT_EQ(Run(list, count, seed), "");
      const std::string where = "round " + std::to_string(round) + " chunk " +
                                std::to_string(chunk) + " count " + std::to_string(count);
      const std::string out = Output();
      const Names got = Records(out);
      ASSERT_EQ(got.size(), static_cast<std::size_t>(expected)) << where;
      EXPECT_EQ(job_.resultsText, Report(expected, lines)) << where;
      EXPECT_EQ(job_.extractCount, std::min(count, lines)) << where;
      const std::vector<int> chunkOf = ChunkOfEachRecord(list, chunk);
      ASSERT_EQ(chunkOf.size(), all.size()) << where;
      std::set<int> positions;
      int lastChunk = 0;
      for (const std::string& line : got) {
        std::string address = line;
        if (address.back() == '\r') address.pop_back();
        const int position = PositionOf(address);
        ASSERT_LT(position, lines) << where;
        EXPECT_EQ(line, all[position]) << where;  // its own line end
        positions.insert(position);
        EXPECT_GE(chunkOf[position], lastChunk) << where;
        lastChunk = chunkOf[position];
      }
      EXPECT_EQ(positions.size(), got.size()) << where;
      // Every line written ends in its own line end.
      EXPECT_TRUE(out.empty() || out.back() == '\n') << where;

      ASSERT_EQ(Run(list, count, seed), "");
      EXPECT_EQ(Output(), out) << where << " again";
    }
  }
}

// What a pass that keeps every line writes: each record the reader makes of the file,
// with the line end after it.
std::string AsRead(Env* env, const std::string& path, std::uint32_t chunk) {
  ListReader reader(env, NoKey);
  reader.Open(path, chunk);
  std::string out;
  while (reader.ReadChunk()) {
    LineStore& lines = reader.lines();
    for (std::size_t i = 0; i < lines.count(); ++i) {
      out.append(lines[i].text, static_cast<std::size_t>(lines[i].length) + 1);
    }
  }
  reader.Close();
  return out;
}

struct LongLineCase {
  const char* name;
  std::string list;
  long long lines;  // as counted: every record, and every LF blank line
};

void PrintTo(const LongLineCase& c, std::ostream* os) { *os << c.name; }

class ExtractLongLineTest : public ExtractTest,
                            public ::testing::WithParamInterface<LongLineCase> {};

// A line longer than a chunk is read as several records, each of them a line to count:
// asking for all of them keeps every record, in file order, and the report names them.
TEST_P(ExtractLongLineTest, AsManyAsCountedKeepEveryRecord) {
  constexpr std::uint32_t kChunk = 64;
  const LongLineCase& c = GetParam();
  job_.chunkSizes.list = kChunk;
  for (std::int32_t count : {static_cast<std::int32_t>(c.lines), 1000}) {
    ASSERT_EQ(Run(c.list, count), "") << count;
    const std::string all = AsRead(&env_, dir_.File("in.txt"), kChunk);
    EXPECT_EQ(Output(), all) << count;
    EXPECT_EQ(job_.resultsText, Report(std::count(all.begin(), all.end(), '\n'), c.lines)) << count;
    EXPECT_EQ(job_.extractCount, c.lines) << count;
  }
}

std::string Long(std::size_t n) { return std::string(n, 'y'); }

INSTANTIATE_TEST_SUITE_P(
    Lists, ExtractLongLineTest,
    ::testing::Values(
        LongLineCase{"LineOfTheChunk", "a@x\n" + Long(64) + "\nb@x\n", 3},
        LongLineCase{"LineOfTheChunkAndOne", "a@x\n" + Long(65) + "\nb@x\n", 4},
        LongLineCase{"LineOfTwoChunks", "a@x\n" + Long(128) + "\nb@x\n", 4},
        LongLineCase{"LineOfTwoChunksAndOne", "a@x\n" + Long(129) + "\nb@x\n", 5},
        LongLineCase{"LongFirstLine", Long(65) + "\nb@x\n", 3},
        LongLineCase{"LongLinesInARow", Long(100) + "\n" + Long(200) + "\n", 6},
        LongLineCase{"LongLastLineWithoutLf", "a@x\n" + Long(129), 4},
        LongLineCase{"LastLineOfTheChunkWithoutLf", "a@x\n" + Long(64), 2},
        // In CR LF style the CR is the line's last byte: 63 bytes and a CR fill one chunk.
        LongLineCase{"CrLfLineOfTheChunk", "a@x\r\n" + Long(63) + "\r\nb@x\r\n", 3},
        LongLineCase{"CrLfLineOfTheChunkBeforeItsCr", "a@x\r\n" + Long(64) + "\r\nb@x\r\n", 4},
        LongLineCase{"CrLfLongLine", "a@x\r\n" + Long(100) + "\r\nb@x\r\n", 4},
        LongLineCase{"CrLfLongLastLineWithoutLineEnd", "a@x\r\n" + Long(130), 4},
        LongLineCase{"BlankLinesAroundALongLine", "a@x\n\n" + Long(100) + "\n\n\nb@x\n", 7},
        LongLineCase{"CrLfBlankLinesAroundALongLine", "a@x\r\n\r\n" + Long(100) + "\r\n\r\nb@x\r\n",
                     6},
        LongLineCase{"BlankLinesThenALongLastLine", "\n\n" + Long(65), 4}),
    [](const ::testing::TestParamInfo<LongLineCase>& info) { return info.param.name; });

// With the 20 MiB chunk, lines of 20 MiB and one byte and of 45 MiB are two records and
// three: the list is eight lines, all kept when eight are asked for.
TEST_F(ExtractTest, LinesLongerThanTheRealChunkAreAllKept) {
  constexpr std::size_t kMiB = 1024 * 1024;
  {
    std::string list = "a@x\n";
    list.reserve(66 * kMiB);
    list.append(20 * kMiB + 1, 'y');
    list += "\nb@x\n";
    list.append(45 * kMiB, 'z');
    list += "\nc@x\n";
    ASSERT_EQ(Run(list, 8), "");
  }
  std::string expected = "a@x\n";
  expected.reserve(66 * kMiB);
  expected.append(20 * kMiB, 'y');
  expected += "\ny\nb@x\n";
  for (std::size_t piece : {20 * kMiB, 20 * kMiB, 5 * kMiB}) {
    expected.append(piece, 'z');
    expected += '\n';
  }
  expected += "c@x\n";
  const std::string out = Output();
  EXPECT_EQ(out.size(), expected.size());
  EXPECT_TRUE(out == expected);  // not printed: 65 MiB each
  EXPECT_EQ(job_.resultsText, Report(8, 8));
}

TEST_F(ExtractTest, PostsItsProgressTextsInOrder) {
  job_.chunkSizes.list = 4;
  ASSERT_EQ(Run("a\nb\n\n\n\nc\nd\n", 4), "");
  EXPECT_EQ(
      sink_.Texts(WMU_INFO2),
      (Names{"Determining number of emails in input file...", "7 email(s) found",
             "7 email(s) found, 2 email(s) extracted", "7 email(s) found, 2 email(s) extracted",
             "7 email(s) found, 4 email(s) extracted", ""}));
  EXPECT_EQ(sink_.Texts(WMU_INFO),
            (Names{"Reading emails...", "Extracting emails...", "Reading emails...",
                   "Reading emails...", "Extracting emails...", "Reading emails...",
                   "Renaming temporary file into output file...", ""}));
  EXPECT_EQ(Output(), "a\nb\nc\nd\n");
}

TEST_F(ExtractTest, ReplacingTheInputWritesIntoIt) {
  job_.replaceInput = true;
  ASSERT_EQ(Run("a\nb\n", 5), "");
  EXPECT_EQ(ReadFile(dir_.File("in.txt")), "a\nb\n");
  EXPECT_EQ(Output(), "previous\n");
  EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"}));
}

TEST_F(ExtractTest, AListThatGrowsBetweenThePassesIsRefused) {
  sink_.onPost = [&](const RunnerMessage& m) {
    if (m.code == WMU_INFO2 && m.text == "2 email(s) found")
      WriteFile(dir_.File("in.txt"), "a\nb\nc\n");
  };
  EXPECT_EQ(Run("a\nb\n", 1), "inconsistent input data :(");
  EXPECT_EQ(Output(), "previous\n");
  EXPECT_EQ(job_.resultsText, kHeading);
  EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"}));
}

TEST_F(ExtractTest, AMissingInputFailsAndLeavesNoTemporaryFile) {
  job_.extractCount = 2;
  EXPECT_EQ(RunAgain(), "failed to open file");
  EXPECT_EQ(Output(), "previous\n");
  EXPECT_EQ(dir_.List(), Names{"out.txt"});
}

// A stop is seen after each chunk the count reads: the rest of the list is not read.
TEST_F(ExtractTest, AStopDuringTheCountReadsNoFurther) {
  job_.chunkSizes.list = 8;
  sink_.onPost = [&](const RunnerMessage& m) {
    if (m.code == WMU_INFO && m.text == "Reading emails...") job_.runPermission->Reset();
  };
  const int readsBefore = env_.callsOf(testing::Call::Read);
  ASSERT_EQ(Run(Numbered(10), 4), "");
  EXPECT_EQ(env_.callsOf(testing::Call::Read) - readsBefore, 1);
  EXPECT_EQ(Output(), "previous\n");
  EXPECT_EQ(dir_.List(), (Names{"in.txt", "out.txt"}));
}

}  // namespace
}  // namespace vantor
