#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "command_line_probe.h"
#include "foundation/strings.h"
#include "processes.h"
#include "recordings.h"
#include "runtime_heaps.h"
#include "services/command_line.h"

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
  std::string commandLine;            // raw
  std::vector<std::string> expected;  // the first parameters; the rest are empty
};

void PrintTo(const Split& split, std::ostream* out) { *out << split.name; }

// A program path, and the same in double quotes.
const std::string PATH = "C:\\Velmora\\starter.exe";
const std::string QUOTED = "\"" + PATH + "\"";

const Split SPLITS[] = {
    // The cases the launcher meets.
    {"QuotedPathThenBuy", QUOTED + " -BUY", {"-BUY"}},
    {"UnquotedPathAlone", PATH, {}},
    {"UnquotedPathWithTrailingBlanks", PATH + "   ", {}},
    {"QuotedPathAlone", QUOTED, {}},
    {"QuotedPathWithTrailingBlanks", QUOTED + "  ", {}},
    {"TwoWordsInQuotesThenX", QUOTED + " \"two words\" x", {"two words", "x"}},
    {"UnclosedQuote", QUOTED + " \"word", {"word"}},
    {"SmallLettersAreKept", QUOTED + " -buy", {"-buy"}},
    {"BuyAsSecondParameter", QUOTED + " x -BUY", {"x", "-BUY"}},
    // Only the space separates.
    {"TabAfterUnquotedPathBelongsToIt", PATH + "\t-BUY", {}},
    {"TabAfterUnquotedPathThenSpace", PATH + "\t-BUY x", {"x"}},
    {"TabAfterQuotedPathBeginsTheParameter", QUOTED + "\t-BUY", {"\t-BUY"}},
    {"TabInsideAParameter", QUOTED + " a\tb c", {"a\tb", "c"}},
    {"SeveralBlanksBetween", QUOTED + "   a    b", {"a", "b"}},
    {"TrailingBlanksAfterAParameter", QUOTED + " a   ", {"a"}},
    // Quotes without escapes.
    {"QuotedTextDirectlyFollowedByText", QUOTED + " \"a\"b", {"a", "b"}},
    {"PathDirectlyFollowedByQuotedParameter", QUOTED + "\"-BUY\"", {"-BUY"}},
    {"QuoteInsideAnUnquotedParameter", QUOTED + " a\"b c\"", {"a\"b", "c\""}},
    {"BackslashBeforeQuoteIsNoEscape", QUOTED + " \"a\\\" b", {"a\\", "b"}},
    {"DoubledQuotesGiveAnEmptyParameter", QUOTED + " \"\"x \"a\"\"b\"", {"", "x", "a", "b"}},
    {"QuotedBlanksOnly", QUOTED + " \"  \" y", {"  ", "y"}},
    // Every call moves on, found or not.
    {"MoreParametersThanCalls", QUOTED + " 1 2 3 4 5 6", {"1", "2", "3", "4", "5"}},
    {"Windows1252TextIsKept", QUOTED + " L\xF6schen ausgew\xE4hlt",
     {"L\xF6schen", "ausgew\xE4hlt"}},
};

class CommandLineSplitTest : public ::testing::TestWithParam<Split> {};

INSTANTIATE_TEST_SUITE_P(Lines, CommandLineSplitTest, ::testing::ValuesIn(SPLITS),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(CommandLineSplitTest, GivesTheParametersInTurn) {
  const std::string& line = GetParam().commandLine;
  std::vector<std::string> parameters;
  for (int32_t index = 1; index <= PROBE_CALLS; ++index) {
    const services::CommandLinePiece piece = services::CommandLineParameter(line.c_str(), index);
    parameters.emplace_back(piece.text, piece.length);
  }
  EXPECT_EQ(parameters, FiveCalls(GetParam().expected)) << "command line: " << line;
}

TEST(CommandLineTest, TheProgramPathIsParameterZero) {
  const services::CommandLinePiece path =
      services::CommandLineParameter("\"C:\\Velmora Game\\starter.exe\" -BUY", 0);
  EXPECT_EQ(std::string(path.text, path.length), "C:\\Velmora Game\\starter.exe");
}

// The cursor over this test program's own command line: every call moves on,
// and a reset starts from the first parameter again.
TEST(CommandLineTest, TheCursorHandsOutTheParametersInTurnUntilReset) {
  const test_support::RuntimeHeaps heaps;
  const char* line = GetCommandLineA();
  std::vector<std::string> expected;
  for (int32_t index = 1; index <= 3; ++index) {
    const services::CommandLinePiece piece = services::CommandLineParameter(line, index);
    expected.emplace_back(piece.text, piece.length);
  }
  services::ResetCommandLineCursor();
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<std::string> handedOut;
    for (int call = 0; call < 3; ++call) {
      char* mark = foundation::ScratchMark();
      handedOut.emplace_back(services::NextCommandLineArgument());
      foundation::RewindScratch(mark);
    }
    EXPECT_EQ(handedOut, expected) << "pass " << pass;
    services::ResetCommandLineCursor();
  }
}

// The whole process: NextCommandLineArgument reads the program's own line.
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
