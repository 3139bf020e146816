#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "installation_directory.h"
#include "recordings.h"
#include "shell_handlers.h"
#include "starter_process.h"

namespace launcher_test {
namespace {

using launcher::CONTROL_WEBSITE;
using test_support::Record;

constexpr char WEBSITE[] = "https://www.velmora.example";
constexpr char SHOP[] = "https://www.velmora.example/vlm.php";
// A settings file as a player's launcher leaves it: Bert selected.
const std::string SETTINGS = std::string("\x01", 1) + "Anna\r\nBert\r\n";

using test_support::Quoted;

// The real launcher of each build in a temporary installation, with the
// shell's handlers for web addresses and HTML files recording what they are
// asked to open.
class OutsideActionsTest : public ::testing::TestWithParam<Build> {
 protected:
  std::string Opened(const std::string& target) const {
    return Quoted(test_support::RecorderPath()) + " " + Quoted(target);
  }

  test_support::InstallationDirectory installation;
  test_support::RecordFile records;
  test_support::RecordingShellHandlers handlers;
};

INSTANTIATE_TEST_SUITE_P(Builds, OutsideActionsTest, ::testing::ValuesIn(BUILDS), BuildName);

TEST_P(OutsideActionsTest, ManualWebsiteAndBuyOpenTheirTargetsEveryTime) {
  StarterProcess starter(GetParam(), installation);
  struct Button {
    int control;
    std::string opened;
    std::string directory;
  };
  // A web address gets no working directory: its handler inherits the
  // launcher's, the installation directory.
  const Button buttons[] = {
      {launcher::CONTROL_MANUAL, Opened(installation.Manual()), installation.ManualDirectory()},
      {CONTROL_WEBSITE, Opened(WEBSITE), installation.windowsPath()},
      {launcher::CONTROL_BUY, Opened(SHOP), installation.windowsPath()},
  };
  size_t expected = 0;
  for (const Button& button : buttons) {
    for (int click = 1; click <= 2; ++click) {
      SCOPED_TRACE("button " + std::to_string(button.control) + ", click " + std::to_string(click));
      starter.Click(button.control);
      const std::vector<Record> all = records.WaitForRecords(++expected);
      ASSERT_EQ(all.size(), expected) << "nothing was opened";
      EXPECT_EQ(all.back().Value("command line"), button.opened);
      EXPECT_EQ(all.back().Value("directory"), button.directory);
      EXPECT_TRUE(starter.Running()) << "the launcher stays open";
    }
  }
  Sleep(500);
  EXPECT_EQ(records.Read().size(), expected) << "one page per click";
}

// The handles another process holds, and the processes among their
// objects, found by copying each possible handle value into this process.
// (Wine answers GetProcessHandleCount with 0.)
struct HeldHandles {
  int count = 0;
  std::set<std::string> processIds;
};

HeldHandles HandlesHeldBy(HANDLE process) {
  HeldHandles held;
  for (uintptr_t value = 4; value < 0x4000; value += 4) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0,
                         FALSE, DUPLICATE_SAME_ACCESS)) {
      continue;
    }
    ++held.count;
    if (const DWORD id = GetProcessId(copy)) held.processIds.insert(std::to_string(id));
    CloseHandle(copy);
  }
  return held;
}

// Each click gets the opened page's process handle back; the launcher closes
// it, so it holds no handle of a page it opened and its count of handles
// does not grow from click to click.
TEST_P(OutsideActionsTest, OpeningPagesKeepsNoHandles) {
  StarterProcess starter(GetParam(), installation);
  starter.Click(CONTROL_WEBSITE);
  ASSERT_EQ(records.WaitForRecords(1).size(), 1u);
  const HeldHandles before = HandlesHeldBy(starter.processHandle());
  for (int click = 2; click <= 6; ++click) {
    starter.Click(CONTROL_WEBSITE);
    ASSERT_EQ(records.WaitForRecords(click).size(), static_cast<size_t>(click));
  }
  const HeldHandles after = HandlesHeldBy(starter.processHandle());
  EXPECT_LE(after.count, before.count) << "handles kept by five more clicks";
  for (const Record& record : records.Read()) {
    EXPECT_EQ(after.processIds.count(record.Value("process")), 0u)
        << "the launcher holds the page's process " << record.Value("process");
  }
}

// Starts the launcher with the parameters and waits for its end.
DWORD RunToTheEnd(const Build& build, const test_support::ScratchDirectory& installation,
                  const std::string& parameters) {
  test_support::ChildProcess starter =
      test_support::StartProcess(Quoted(test_support::BuildPath(build.program)) + " " + parameters,
                                 installation.windowsPath());
  DWORD exitCode = 99;
  EXPECT_TRUE(test_support::WaitForExit(starter, 15000, &exitCode)) << "the launcher did not end";
  test_support::EndProcess(&starter);
  return exitCode;
}

TEST_P(OutsideActionsTest, BuyParameterOpensOnlyTheShopPageAndEnds) {
  EXPECT_EQ(RunToTheEnd(GetParam(), installation, "-BUY"), 0u);
  EXPECT_FALSE(installation.Exists(SETTINGS_FILE)) << "no settings file is created";

  installation.WriteFile(SETTINGS_FILE, SETTINGS);
  // The quotes are not part of the parameter; nothing after it is looked at.
  EXPECT_EQ(RunToTheEnd(GetParam(), installation, "\"-BUY\" -buy"), 0u);
  EXPECT_EQ(installation.ReadFile(SETTINGS_FILE), SETTINGS) << "the settings file is untouched";

  const std::vector<Record> all = records.WaitForRecords(2);
  ASSERT_EQ(all.size(), 2u);
  for (const Record& record : all) EXPECT_EQ(record.Value("command line"), Opened(SHOP));
  Sleep(500);
  EXPECT_EQ(records.Read().size(), 2u) << "only the shop page is opened";
}

TEST_P(OutsideActionsTest, OtherParametersStartNormally) {
  installation.WriteFile(SETTINGS_FILE, SETTINGS);
  for (const char* parameters : {"-buy", "-BUY2", "x -BUY", "\"-BUY \"", "-BUY\t"}) {
    SCOPED_TRACE(parameters);
    StarterProcess starter(GetParam(), installation, parameters);
    ASSERT_NE(starter.window(), nullptr);
    EXPECT_TRUE(starter.Running());
    starter.Quit();
  }
  EXPECT_TRUE(records.Read().empty()) << "no page was opened";
}

}  // namespace
}  // namespace launcher_test
