// Starts the launcher and the floor program alternately in one temporary
// installation and measures what the player waits for: start to idle, peak
// working set and Quit to process end with 0, 10,000 and 100,000 characters,
// and New and Delete through their dialogs with 10 and 100,000; then Delete
// of a character whose folder holds 5,000 files against the floor deleting
// the same folder with the plain wide calls. Prints the medians and their
// ratios as a table and one line per goal.
//   driver LAUNCHER FLOOR INSTALLATION [RUNS]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "window_reading.h"

namespace {

constexpr int COMBO_BOX = 8;
constexpr int QUIT_BUTTON = 5;
constexpr int NEW_BUTTON = 6;
constexpr int DELETE_BUTTON = 7;
constexpr int REQUESTER_OK = 1000;
constexpr DWORD PATIENCE_MS = 60000;
constexpr DWORD SETTLE_MS = 200;
// The character folder of the Delete with many files: screenshots, saves and
// logs of a long-played character.
constexpr int FOLDER_FILES = 5000;
constexpr int FOLDER_ROSTER = 10;

double Now() {
  static LARGE_INTEGER frequency;
  if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Names of varied length, some with bytes above 127, all short enough for
// another process to read.
void WriteRoster(const std::string& installation, int count) {
  std::string bytes(1, '\0');
  for (int i = 0; i < count; ++i) {
    bytes += (i % 7 == 0 ? "L\xF6we " : "Character ") + std::to_string(i) + std::string(i % 5, 'x') +
             "\r\n";
  }
  HANDLE file = CreateFileA((installation + "\\velmora.cfg").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

HWND WaitForWindow(DWORD process, const char* className) {
  const double until = Now() + PATIENCE_MS;
  while (Now() < until) {
    if (HWND window = test_support::FindVisibleWindow(process, className)) return window;
    Sleep(1);
  }
  return nullptr;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, PATIENCE_MS, &result);
  return static_cast<LRESULT>(result);
}

void Press(HWND window, int button) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
}

// Waits until the combo box holds `count` items; the time it was seen.
double WaitForCount(HWND comboBox, LRESULT count) {
  const double until = Now() + PATIENCE_MS;
  while (Ask(comboBox, CB_GETCOUNT) != count && Now() < until) {
  }
  return Now();
}

struct Program {
  PROCESS_INFORMATION info;
  HWND window;
  HWND comboBox;
};

// Starts a program; the milliseconds from CreateProcess until it waits for
// input with its window and the whole roster shown.
double Start(const std::string& path, const std::string& installation, int count,
             Program* program) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  std::string line = "\"" + path + "\"";
  const double started = Now();
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      installation.c_str(), &startup, &program->info)) {
    fprintf(stderr, "bench: cannot start %s\n", path.c_str());
    exit(1);
  }
  WaitForInputIdle(program->info.hProcess, PATIENCE_MS);
  program->window = WaitForWindow(program->info.dwProcessId, "WindowClass_0");
  program->comboBox = GetDlgItem(program->window, COMBO_BOX);
  while (!GetDlgItem(program->window, 9) || !program->comboBox) {
    Sleep(1);
    program->comboBox = GetDlgItem(program->window, COMBO_BOX);
  }
  return WaitForCount(program->comboBox, count) - started;
}

double PeakMegabytes(const Program& program) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(program.info.hProcess, &counters, sizeof(counters));
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// Quits through the Quit button; the milliseconds until the process ended.
double Quit(Program* program) {
  const double pressed = Now();
  Press(program->window, QUIT_BUTTON);
  WaitForSingleObject(program->info.hProcess, PATIENCE_MS);
  const double ended = Now();
  CloseHandle(program->info.hProcess);
  CloseHandle(program->info.hThread);
  return ended - pressed;
}

// New through the requester: from OK until the list shows the new name.
double NewCharacter(const Program& program, LRESULT count) {
  Press(program.window, NEW_BUTTON);
  HWND requester = WaitForWindow(program.info.dwProcessId, "InputRequester");
  SendMessageA(FindWindowExA(requester, nullptr, "Edit", nullptr), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>("Dora"));
  const double ok = Now();
  PostMessageA(requester, WM_COMMAND, REQUESTER_OK, 0);
  return WaitForCount(program.comboBox, count + 1) - ok;
}

// Delete of the middle character: from Yes until the list shows the change.
double DeleteCharacter(const Program& program, LRESULT count) {
  Ask(program.comboBox, CB_SETCURSEL, static_cast<WPARAM>(count / 2));
  Press(program.window, DELETE_BUTTON);
  HWND question = WaitForWindow(program.info.dwProcessId, "#32770");
  const double yes = Now();
  PostMessageA(question, WM_COMMAND, IDYES, 0);
  return WaitForCount(program.comboBox, count - 1) - yes;
}

// The folder of the character that DeleteCharacter deletes from a roster of
// FOLDER_ROSTER (see WriteRoster), filled with FOLDER_FILES small files.
std::string FillCharacterFolder(const std::string& installation) {
  const std::string game = installation + "\\game";
  const std::string folder = game + "\\Character " + std::to_string(FOLDER_ROSTER / 2);
  CreateDirectoryA(game.c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  for (int i = 0; i < FOLDER_FILES; ++i) {
    const std::string file = folder + "\\shot" + std::to_string(i) + ".png";
    HANDLE written = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD count = 0;
    WriteFile(written, "picture", 7, &count, nullptr);
    CloseHandle(written);
  }
  return folder;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The floor deleting the folder; the milliseconds it took by its own clock.
double FloorDelete(const std::string& floor, const std::string& folder) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  std::string line = "\"" + floor + "\" -delete \"" + folder + "\"";
  PROCESS_INFORMATION info;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    fprintf(stderr, "bench: cannot start %s\n", floor.c_str());
    exit(1);
  }
  WaitForSingleObject(info.hProcess, PATIENCE_MS);
  DWORD microseconds = 0;
  GetExitCodeProcess(info.hProcess, &microseconds);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return microseconds / 1000.0;
}

struct Row {
  std::string work;
  double launcher;
  double floor;
  const char* unit;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: driver LAUNCHER FLOOR INSTALLATION [RUNS]\n");
    return 2;
  }
  const std::string launcher = argv[1], floor = argv[2], installation = argv[3];
  const int runs = argc > 4 ? atoi(argv[4]) : 15;
  std::vector<Row> rows;
  double startRatio[3] = {}, memoryRatio[3] = {}, quitRatio = 0;
  // One start of each first, unmeasured: the first start of a program loads
  // what the later ones find in the cache.
  for (const std::string& program : {launcher, floor}) {
    WriteRoster(installation, 0);
    Program warm = {};
    Start(program, installation, 0, &warm);
    Quit(&warm);
  }
  const int counts[] = {0, 10000, 100000};
  std::vector<double> start[3][2], memory[3][2], quit[3][2];
  // Each round takes every size once and the launcher and the floor in turn,
  // so that what else the machine does falls on all of them alike; which of
  // the two goes first changes from round to round, and each starts after a
  // pause in which Wine finishes with the one before.
  for (int run = 0; run < runs; ++run) {
    for (int size = 0; size < 3; ++size) {
      for (int turn = 0; turn < 2; ++turn) {
        const int which = (turn + run) % 2;
        WriteRoster(installation, counts[size]);
        Sleep(SETTLE_MS);
        Program program = {};
        start[size][which].push_back(
            Start(which ? floor : launcher, installation, counts[size], &program));
        memory[size][which].push_back(PeakMegabytes(program));
        quit[size][which].push_back(Quit(&program));
      }
    }
  }
  for (int size = 0; size < 3; ++size) {
    const std::string label = std::to_string(counts[size]) + " characters";
    const double starts[] = {Median(start[size][0]), Median(start[size][1])};
    const double peaks[] = {Median(memory[size][0]), Median(memory[size][1])};
    const double quits[] = {Median(quit[size][0]), Median(quit[size][1])};
    rows.push_back({"start to idle, " + label, starts[0], starts[1], "ms"});
    rows.push_back({"peak working set, " + label, peaks[0], peaks[1], "MB"});
    rows.push_back({"Quit to process end, " + label, quits[0], quits[1], "ms"});
    startRatio[size] = starts[0] / starts[1];
    memoryRatio[size] = peaks[0] / peaks[1];
    if (counts[size] == 100000) quitRatio = quits[0] / quits[1];
  }

  double newTime[2] = {}, deleteTime[2] = {};
  const int actionCounts[] = {10, 100000};
  for (int size = 0; size < 2; ++size) {
    std::vector<double> added, deleted;
    for (int run = 0; run < runs; ++run) {
      WriteRoster(installation, actionCounts[size]);
      Sleep(SETTLE_MS);
      Program program = {};
      Start(launcher, installation, actionCounts[size], &program);
      added.push_back(NewCharacter(program, actionCounts[size]));
      deleted.push_back(DeleteCharacter(program, actionCounts[size] + 1));
      Quit(&program);
    }
    newTime[size] = Median(added);
    deleteTime[size] = Median(deleted);
    const std::string label = std::to_string(actionCounts[size]) + " characters";
    rows.push_back({"New, OK to name shown, " + label, newTime[size], 0, "ms"});
    rows.push_back({"Delete, Yes to list changed, " + label, deleteTime[size], 0, "ms"});
  }

  // Delete of a folder with many files: the launcher from Yes until the list
  // shows the change, the floor timed inside its own process.
  std::vector<double> folderDeleted[2];
  for (int run = 0; run < runs; ++run) {
    for (int turn = 0; turn < 2; ++turn) {
      const int which = (turn + run) % 2;
      WriteRoster(installation, FOLDER_ROSTER);
      const std::string folder = FillCharacterFolder(installation);
      Sleep(SETTLE_MS);
      if (which == 0) {
        Program program = {};
        Start(launcher, installation, FOLDER_ROSTER, &program);
        folderDeleted[0].push_back(DeleteCharacter(program, FOLDER_ROSTER));
        Quit(&program);
      } else {
        folderDeleted[1].push_back(FloorDelete(floor, folder));
      }
      if (Exists(folder)) fprintf(stderr, "bench: %s was not removed\n", folder.c_str());
    }
  }
  const double folderDelete[] = {Median(folderDeleted[0]), Median(folderDeleted[1])};
  rows.push_back(
      {"Delete, Yes to list changed, folder of " + std::to_string(FOLDER_FILES) + " files",
       folderDelete[0], folderDelete[1], "ms"});

  printf("| work | launcher | floor | launcher / floor |\n|---|---|---|---|\n");
  for (const Row& row : rows) {
    if (row.floor > 0) {
      printf("| %s | %.1f %s | %.1f %s | %.2f x |\n", row.work.c_str(), row.launcher, row.unit,
             row.floor, row.unit, row.launcher / row.floor);
    } else {
      printf("| %s | %.1f %s | | |\n", row.work.c_str(), row.launcher, row.unit);
    }
  }
  printf("\nMedians of %d runs each.\n\n", runs);
  struct Goal {
    const char* text;
    double value;
    double limit;
  } goals[] = {
      {"start to idle, empty roster, within 1.03 x the floor", startRatio[0], 1.03},
      {"start to idle, 10,000 characters, within 1.05 x the floor", startRatio[1], 1.05},
      {"start to idle, 100,000 characters, within 1.25 x the floor", startRatio[2], 1.25},
      {"Quit with 100,000 characters within 1.10 x the floor", quitRatio, 1.10},
      {"peak memory, empty roster, within 1.03 x the floor", memoryRatio[0], 1.03},
      {"peak memory, 10,000 characters, within 1.05 x the floor", memoryRatio[1], 1.05},
      {"peak memory, 100,000 characters, within 1.25 x the floor", memoryRatio[2], 1.25},
      {"New with 100,000 characters within 3 x its time with 10", newTime[1] / newTime[0], 3.0},
      {"Delete with 100,000 characters within 3 x its time with 10",
       deleteTime[1] / deleteTime[0], 3.0},
      {"Delete of a folder with 5,000 files within 1.25 x the floor",
       folderDelete[0] / folderDelete[1], 1.25},
  };
  for (const Goal& goal : goals) {
    printf("goal %s: %.2f x, %s\n", goal.text, goal.value,
           goal.value <= goal.limit ? "met" : "not met");
  }
  return 0;
}
