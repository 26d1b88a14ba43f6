#include "engine/clean.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/action_test.h"
#include "tests/support/reference_clean.h"
#include "tests/support/test_files.h"

namespace vantor {
namespace {

using namespace std::string_literals;
using testing::Cleaned;
using testing::CleanModel;
using testing::IsModelAddress;
using testing::ReadFile;
using testing::WriteFile;

// ---------------------------------------------------------------------------------

struct AddressCase {
  std::string text;
  bool address;
};

TEST(IsListAddressTest, EachRuleHoldsAtItsLimitAndFailsPastIt) {
  const std::string l64(64, 'l');
  const std::string d63(63, 'd');
  // 64 + 1 + 63 + 1 + 63 + 1 + 61 = 254 bytes.
  const std::string longest = l64 + "@" + d63 + "." + d63 + "." + std::string(61, 'e');
  const AddressCase cases[] = {
      {"a@b.c", true},
      {"a!#$%&'*+/=?^_`{|}~-z@B-9.c0", true},
      {"a.b.c@b--c.d", true},
      {l64 + "@b.c", true},
      {l64 + "l@b.c", false},
      {"a@" + d63 + ".c", true},
      {"a@" + d63 + "d.c", false},
      {longest, true},
      {longest + "e", false},
      {"", false},
      {"a@b", false},
      {"@b.c", false},
      {"a@", false},
      {"a@@b.c", false},
      {"a@b@c.d", false},
      {"ab.c", false},
      {".a@b.c", false},
      {"a.@b.c", false},
      {"a..b@b.c", false},
      {"a@-b.c", false},
      {"a@b-.c", false},
      {"a@b.-c", false},
      {"a@b..c", false},
      {"a@.b.c", false},
      {"a@b.c.", false},
      {"a@b_c.d", false},
      {"a b@c.d", false},
      {"a\tb@c.d", false},
      {"a\"b@c.d", false},
      {"a(b)@c.d", false},
      {"a,b@c.d", false},
      {"a;b@c.d", false},
      {"a:b@c.d", false},
      {"a\\b@c.d", false},
      {"[a]@c.d", false},
      {"<a>@c.d", false},
      {"a\0b@c.d"s, false},
      {"a@c.d\0"s, false},
      {"\xe9@c.d", false},
      {"a@c.d\r", false},
  };
  for (const AddressCase& c : cases) {
    EXPECT_EQ(IsListAddress(c.text.data(), c.text.size()), c.address)
        << ::testing::PrintToString(c.text);
    EXPECT_EQ(IsModelAddress(c.text), c.address)
        << "the model: " << ::testing::PrintToString(c.text);
  }
}

class CleanTest : public testing::ActionTest {
 protected:
  CleanTest() {
    job_.cleanOn = true;
    job_.rejectsFileName = dir_.File("rejects.txt");
  }
};

// Lines near every limit of the rule, with blanks, CR, NUL and other bytes set in.
std::string RandomLine(std::mt19937& random, std::uint32_t chunk) {
  static const std::string kOdd =
      " \t.@-_\"\r\0\xe9"
      "Az9"s;
  auto run = [&](std::size_t n, char c) { return std::string(n, c); };
  std::string line;
  switch (random() % 8) {
    case 0:
      return "";
    case 1:
      return run(random() % 4, ' ') + run(random() % 3, '\t');
    case 2:  // a local part or a label near its limit
      line = random() % 2 ? run(62 + random() % 4, 'x') + "@y.org"
                          : "x@" + run(61 + random() % 4, 'y') + ".org";
      break;
    case 3:  // near 254 bytes in all
      line = run(60, 'a') + "@" + run(60, 'b') + "." + run(60, 'c') + "." + run(60, 'd') + "." +
             run(8 + random() % 6, 'e');
      break;
    case 4:  // longer than the chunk
      line = run(chunk + random() % 40, 'q') + "@x.com";
      break;
    default:
      line =
          "user" + std::to_string(random() % 100) + "@dom" + std::to_string(random() % 7) + ".com";
  }
  for (int k = random() % 3; k > 0 && random() % 2; --k) {
    line.insert(line.begin() + random() % (line.size() + 1), kOdd[random() % kOdd.size()]);
  }
  return run(random() % 3 == 0, ' ') + line + run(random() % 3 == 0, '\t');
}

TEST_F(CleanTest, MatchesAPlainModelForAnyChunkSize) {
  std::mt19937 random(31);
  for (int round = 0; round < 160; ++round) {
    // Every tenth round a long list in one chunk, its lines at every offset of the
    // 64-byte blocks the bytes are classified in.
    const bool longList = round % 10 == 9;
    const std::uint32_t chunk = longList ? 1u << 16 : 16 + random() % 400;
    job_.chunkSizes.list = chunk;
    job_.chunkSizes.writeBuffer = 16 + random() % 100;
    std::string list;
    const int count = static_cast<int>(random() % (longList ? 4000 : 60));
    for (int i = 0; i < count; ++i)
      list += RandomLine(random, longList ? 300 : chunk) + (random() % 3 ? "\n" : "\r\n");
    // Now and then a short last line without its line end.
    if (random() % 3 == 0) list += "last@x.com" + std::string(random() % 2, '\r');
    if (round % 4 == 3) job_.rejectsFileName.clear();
    WriteFile(job_.inputFileName, list);
    const std::string where = "round " + std::to_string(round) + " chunk " + std::to_string(chunk);

    const Cleaned e = CleanModel(list, chunk);
    ASSERT_EQ(RunAgain(), "") << where;
    ASSERT_EQ(Output(), e.output) << where << " list " << ::testing::PrintToString(list);
    if (!job_.rejectsFileName.empty()) {
      EXPECT_EQ(ReadFile(job_.rejectsFileName), e.rejects) << where;
      ::unlink(job_.rejectsFileName.c_str());
    }
    EXPECT_EQ(job_.resultsText, testing::CleanReport(e, job_.rejectsFileName)) << where;
    job_.rejectsFileName = dir_.File("rejects.txt");
  }
}

TEST_F(CleanTest, KeepsTheOldRejectsWhenTheRunIsStoppedOrALaterActionFails) {
  WriteFile(job_.inputFileName, "junk\na@b.c\n");
  WriteFile(job_.rejectsFileName, "old rejects\n");
  // Stopped at its first chunk.
  sink_.onPost = [&](const RunnerMessage& m) {
    if (m.code == WMU_INFO && m.text == "Reading emails...") job_.runPermission->Reset();
  };
  EXPECT_EQ(RunAgain(), "");
  EXPECT_FALSE(job_.completed);
  sink_.onPost = nullptr;
  // A filter file that is missing ends the run after the clean handed its files over.
  job_.filterOn = true;
  job_.filterFileName = dir_.File("missing.txt");
  EXPECT_EQ(RunAgain(), "failed to open file");
  EXPECT_EQ(ReadFile(job_.rejectsFileName), "old rejects\n");
  EXPECT_EQ(Output(), "previous\n");
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"in.txt", "out.txt", "rejects.txt"}));
}

struct Refusal {
  const char* rejects;  // in the test's directory
  const char* error;
};

class RejectsRefusalTest : public CleanTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RejectsRefusalTest, RefusesARejectsFileThatCannotTakeItsPlaceBeforeAnyWork) {
  WriteFile(job_.inputFileName, "junk\n");
  job_.filterOn = true;
  job_.filterFileName = dir_.File("filter.txt");
  WriteFile(job_.filterFileName, "x\n");
  std::error_code error;
  std::filesystem::create_directory(dir_.File("folder"), error);
  std::filesystem::create_symlink(job_.inputFileName, dir_.File("link.txt"), error);
  if (error && std::string(GetParam().rejects) == "link.txt") {
    GTEST_SKIP() << "no symbolic links here: " << error.message();
  }
  job_.rejectsFileName = dir_.File(GetParam().rejects);
  EXPECT_EQ(RunAgain(), GetParam().error);
  EXPECT_EQ(ReadFile(job_.inputFileName), "junk\n");
  EXPECT_EQ(Output(), "previous\n");
}

INSTANTIATE_TEST_SUITE_P(
    Files, RejectsRefusalTest,
    ::testing::Values(Refusal{"in.txt", "rejects file would overwrite a file the job reads"},
                      Refusal{"link.txt", "rejects file would overwrite a file the job reads"},
                      Refusal{"filter.txt", "rejects file would overwrite a file the job reads"},
                      Refusal{"out.txt", "rejects file would overwrite the result"},
                      Refusal{"folder", "output file is not a regular file"},
                      Refusal{"nowhere/rejects.txt", "output folder does not exist"}));

}  // namespace
}  // namespace vantor
