#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line_probe.h"
#include "processes.h"
#include "recordings.h"

namespace {

using test_support::Record;
using test_support::RecordFile;

std::string ProbePath() { return test_support::BuildPath("tests/command_line_probe.exe"); }

// What the probe's five calls of NextCommandLineArgument gave, each checked
// to lie at the caller's mark with the scratch position left on its zero.
std::vector<std::string> ArgumentsOfProbeStartedWith(const std::string& commandLine) {
  RecordFile records;
  test_support::ChildProcess probe = test_support::StartProcess(commandLine, "", ProbePath());
  EXPECT_TRUE(test_support::WaitForExit(probe, 20000)) << "the probe did not end";
  test_support::EndProcess(&probe);
  const std::vector<Record> all = records.Read();
  EXPECT_EQ(all.size(), 1u);
  if (all.size() != 1) return {};
  const std::vector<std::string> arguments = all[0].Values("argument");
  const std::vector<std::string> advances = all[0].Values("advance");
  EXPECT_EQ(arguments.size(), static_cast<size_t>(PROBE_CALLS));
  EXPECT_EQ(advances.size(), arguments.size());
  for (size_t i = 0; i < arguments.size() && i < advances.size(); ++i) {
    EXPECT_EQ(advances[i], std::to_string(arguments[i].size())) << "call " << i + 1;
  }
  return arguments;
}

// The five results for a list of expected parameters: the rest are empty.
std::vector<std::string> FiveCalls(std::vector<std::string> parameters) {
  parameters.resize(PROBE_CALLS);
  return parameters;
}

struct Split {
  const char* name;
  // The raw command line; %Q stands for the probe's path in double quotes,
  // %P for the path without them.
  std::string commandLine;
  std::vector<std::string> expected;  // the results of the first calls
};

void PrintTo(const Split& split, std::ostream* out) { *out << split.name; }

std::string Expand(const std::string& pattern) {
  std::string line;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() &&
        (pattern[i + 1] == 'Q' || pattern[i + 1] == 'P')) {
      line += pattern[i + 1] == 'Q' ? "\"" + ProbePath() + "\"" : ProbePath();
      ++i;
    } else {
      line += pattern[i];
    }
  }
  return line;
}

const Split SPLITS[] = {
    // The cases the launcher meets.
    {"QuotedPathThenBuy", "%Q -BUY", {"-BUY"}},
    {"UnquotedPathAlone", "%P", {}},
    {"UnquotedPathWithTrailingBlanks", "%P   ", {}},
    {"QuotedPathAlone", "%Q", {}},
    {"QuotedPathWithTrailingBlanks", "%Q  ", {}},
    {"TwoWordsInQuotesThenX", "%Q \"two words\" x", {"two words", "x"}},
    {"UnclosedQuote", "%Q \"word", {"word"}},
    {"SmallLettersAreKept", "%Q -buy", {"-buy"}},
    {"BuyAsSecondParameter", "%Q x -BUY", {"x", "-BUY"}},
    // Only the space separates.
    {"TabAfterUnquotedPathBelongsToIt", "%P\t-BUY", {}},
    {"TabAfterUnquotedPathThenSpace", "%P\t-BUY x", {"x"}},
    {"TabAfterQuotedPathBeginsTheParameter", "%Q\t-BUY", {"\t-BUY"}},
    {"TabInsideAParameter", "%Q a\tb c", {"a\tb", "c"}},
    {"SeveralBlanksBetween", "%Q   a    b", {"a", "b"}},
    {"TrailingBlanksAfterAParameter", "%Q a   ", {"a"}},
    // Quotes without escapes.
    {"QuotedTextDirectlyFollowedByText", "%Q \"a\"b", {"a", "b"}},
    {"PathDirectlyFollowedByQuotedParameter", "%Q\"-BUY\"", {"-BUY"}},
    {"QuoteInsideAnUnquotedParameter", "%Q a\"b c\"", {"a\"b", "c\""}},
    {"BackslashBeforeQuoteIsNoEscape", "%Q \"a\\\" b", {"a\\", "b"}},
    {"DoubledQuotesGiveAnEmptyParameter", "%Q \"\"x \"a\"\"b\"", {"", "x", "a", "b"}},
    {"QuotedBlanksOnly", "%Q \"  \" y", {"  ", "y"}},
    // Every call moves on, found or not.
    {"MoreParametersThanCalls", "%Q 1 2 3 4 5 6", {"1", "2", "3", "4", "5"}},
    {"Windows1252TextIsKept", "%Q L\xF6schen ausgew\xE4hlt", {"L\xF6schen", "ausgew\xE4hlt"}},
};

class CommandLineSplitTest : public ::testing::TestWithParam<Split> {};

INSTANTIATE_TEST_SUITE_P(Lines, CommandLineSplitTest, ::testing::ValuesIn(SPLITS),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(CommandLineSplitTest, GivesTheParametersInTurn) {
  EXPECT_EQ(ArgumentsOfProbeStartedWith(Expand(GetParam().commandLine)),
            FiveCalls(GetParam().expected))
      << "command line: " << Expand(GetParam().commandLine);
}

TEST(CommandLineTest, ParametersOf32000CharactersArriveWhole) {
  const std::string plain(32000, 'x');
  EXPECT_EQ(ArgumentsOfProbeStartedWith("\"" + ProbePath() + "\" " + plain), FiveCalls({plain}));

  std::string quoted(32000, 'y');
  quoted[100] = ' ';
  quoted[31000] = '\t';
  EXPECT_EQ(ArgumentsOfProbeStartedWith("\"" + ProbePath() + "\" \"" + quoted + "\" z"),
            FiveCalls({quoted, "z"}));
}

TEST(CommandLineTest, ResultIsCutAtTheEndOfTheScratchArea) {
  test_support::ScopedEnvironmentVariable room(PROBE_SCRATCH_ROOM_VARIABLE, "10");
  const std::string line = "\"" + ProbePath() + "\" abcdefghijklmnop \"a b\"";
  EXPECT_EQ(ArgumentsOfProbeStartedWith(line), FiveCalls({"abcdefghi", "a b"}))
      << "nine characters and the zero fit";
}

}  // namespace
