#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/heaps.h"
#include "foundation/strings.h"
#include "runtime_heaps.h"
#include "scratch_directory.h"
#include "services/files.h"

// The buffered file layer against a plain reference that reads and writes
// byte by byte on the system file position, as the layer did before it had
// buffers. Both work on their own copies of the same files; every result and
// the bytes on disk must agree.
namespace {

constexpr DWORD BUFFER = services::FILE_BUFFER_SIZE;

enum Way { WAY_READ, WAY_UPDATE, WAY_CREATE, WAY_EXCLUSIVE, WAY_READ_SHARED, WAY_COUNT };

struct WayFlags {
  DWORD access, sharing, creation;
};
constexpr WayFlags WAYS[] = {
    {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING},
    {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS},
    {GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS},
    {GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING},
    {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING},
};

// The unbuffered layer, written out plainly: one ReadFile per value, one per
// byte of a line, one WriteFile per text, and the read-ahead byte of the end
// test and of a lone CR put back with SetFilePointer.
class Reference {
 public:
  ~Reference() { CloseAll(); }
  bool Open(int number, const std::string& path, Way way) {
    const WayFlags& w = WAYS[way];
    HANDLE file = CreateFileA(path.c_str(), w.access, w.sharing, nullptr, w.creation,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && way == WAY_CREATE) {
      file = CreateFileA(path.c_str(), w.access, w.sharing, nullptr, TRUNCATE_EXISTING, 0, nullptr);
    }
    current_ = file == INVALID_HANDLE_VALUE ? nullptr : file;
    if (!current_) return false;
    if (table_.count(number)) CloseHandle(table_[number]);
    table_[number] = current_;
    return true;
  }
  void Close(int number) {
    if (!table_.count(number)) return;
    if (table_[number] == current_) current_ = nullptr;
    CloseHandle(table_[number]);
    table_.erase(number);
  }
  void CloseAll() {
    while (!table_.empty()) Close(table_.begin()->first);
  }
  bool Select(int number) {
    if (table_.count(number)) current_ = table_[number];
    return current_ != nullptr;
  }
  int AtEnd(int number) {
    if (!table_.count(number)) return 0;
    char byte;
    if (!Read(table_[number], &byte, 1)) return -1;
    SetFilePointer(table_[number], -1, nullptr, FILE_CURRENT);
    return 0;
  }
  int64_t ReadValue(DWORD size) {
    int64_t value = 0;
    Read(current_, &value, size);
    if (size == 1) return static_cast<int8_t>(value);
    if (size == 2) return static_cast<int16_t>(value);
    return static_cast<int32_t>(value);
  }
  std::string ReadData(DWORD length) {
    std::string data(length, '\0');
    data.resize(Read(current_, data.data(), length));
    return data;
  }
  std::string ReadLine() {
    std::string line;
    char byte = 0;
    if (current_) {
      for (;;) {
        byte = 0;
        Read(current_, &byte, 1);
        if (byte == '\r' || byte == '\n' || byte == 0) break;
        if (line.size() < foundation::SCRATCH_SIZE - 1) line += byte;
      }
    }
    char next;
    if (byte == '\r' && Read(current_, &next, 1) && next != '\n') {
      SetFilePointer(current_, -1, nullptr, FILE_CURRENT);
    }
    return line;
  }
  int Write(const std::string& bytes) {
    DWORD written = 0;
    if (!current_ || !WriteFile(current_, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                nullptr)) {
      return 0;
    }
    return static_cast<int>(written);
  }
  int WriteLine(const std::string& text) {
    if (!current_) return 0;
    return (text.empty() ? 0 : Write(text)) + Write("\r\n");
  }
  bool Flush() { return current_ && FlushFileBuffers(current_); }
  void SetPosition(int32_t position) {
    if (current_) SetFilePointer(current_, position, nullptr, FILE_BEGIN);
  }
  int32_t Position() {
    return current_ ? static_cast<int32_t>(SetFilePointer(current_, 0, nullptr, FILE_CURRENT)) : -1;
  }
  int32_t Size() { return current_ ? static_cast<int32_t>(GetFileSize(current_, nullptr)) : -1; }

 private:
  static DWORD Read(HANDLE file, void* memory, DWORD length) {
    DWORD read = 0;
    if (!file || !ReadFile(file, memory, length, &read, nullptr)) return 0;
    return read;
  }

  std::map<int, HANDLE> table_;
  HANDLE current_ = nullptr;
};

// Runs each step on the buffered layer (files in one directory) and on the
// reference (the same names in another) and records every disagreement.
class Comparison {
 public:
  Comparison(const test_support::ScratchDirectory& buffered,
             const test_support::ScratchDirectory& reference)
      : buffered_(buffered), reference_(reference) {}

  void Prepare(const std::string& name, const std::string& bytes) {
    buffered_.WriteFile(name, bytes);
    reference_.WriteFile(name, bytes);
  }
  void Open(int number, const std::string& name, Way way) {
    const bool opened = OpenBuffered(number, buffered_.WidePathOf(name), way) != 0;
    Check("open " + name + " way " + std::to_string(way) + " as " + std::to_string(number),
          opened, model_.Open(number, reference_.PathOf(name), way));
  }
  void Close(int number) {
    services::FileClose(number);
    model_.Close(number);
    Log("close " + std::to_string(number));
  }
  void Select(int number) {
    Check("select " + std::to_string(number), services::FileSelect(number) != 0,
          model_.Select(number));
  }
  void AtEnd(int number) {
    Check("at end " + std::to_string(number), services::FileAtEnd(number), model_.AtEnd(number));
  }
  void ReadValue(DWORD size) {
    int64_t value = 0;
    if (size == 1) value = services::FileReadByte();
    if (size == 2) value = services::FileReadWord();
    if (size == 4) value = services::FileReadLong();
    if (size == 5) {
      const float read = services::FileReadFloat();
      int32_t bits;
      memcpy(&bits, &read, sizeof(bits));
      value = bits;
    }
    Check("read value of " + std::to_string(size), value, model_.ReadValue(size == 5 ? 4 : size));
  }
  void ReadData(DWORD length) {
    std::string data(length, '\0');
    data.resize(services::FileReadData(data.data(), static_cast<int32_t>(length)));
    Check("read data " + std::to_string(length), data, model_.ReadData(length));
  }
  void ReadLine() {
    char* mark = foundation::ScratchMark();
    const std::string line = services::FileReadLine();
    foundation::RewindScratch(mark);
    Check("read line", line, model_.ReadLine());
  }
  void WriteByte(int value) {
    Check("write byte", services::FileWriteByte(value), model_.Write(std::string(1, value)));
  }
  void WriteText(const std::string& text) {
    Check("write text of " + std::to_string(text.size()), services::FileWriteText(text.c_str()),
          text.empty() ? 0 : model_.Write(text));
  }
  void WriteLine(const std::string& text) {
    Check("write line of " + std::to_string(text.size()), services::FileWriteLine(text.c_str()),
          model_.WriteLine(text));
  }
  void Flush() { Check("flush", services::FileFlush(), model_.Flush()); }
  void SetPosition(int32_t position) {
    services::FileSetPosition(position);
    model_.SetPosition(position);
    Log("set position " + std::to_string(position));
  }
  void Position() { Check("position", services::FileGetPosition(), model_.Position()); }
  void Size() { Check("size", services::FileGetSize(), model_.Size()); }
  // Another handle appends to the file, where the open files let it.
  void AppendFromOutside(const std::string& name, const std::string& bytes) {
    Check("append from outside to " + name, Append(buffered_.PathOf(name), bytes),
          Append(reference_.PathOf(name), bytes));
  }
  // What a reader outside sees once the layer was told to flush.
  void FlushAndReadFromOutside(const std::string& name) {
    Flush();
    Check("outside read of " + name, buffered_.ReadFile(name).value_or("<none>"),
          reference_.ReadFile(name).value_or("<none>"));
  }
  void CloseAllAndCompare(const std::vector<std::string>& names) {
    services::FileCloseAll();
    model_.CloseAll();
    for (const std::string& name : names) {
      Check("bytes of " + name, buffered_.ReadFile(name).value_or("<none>"),
            reference_.ReadFile(name).value_or("<none>"));
    }
  }

  bool failed() const { return !failure_.empty(); }
  // The steps up to the first disagreement and what it was.
  std::string Report() const { return steps_.str() + failure_; }

 private:
  static intptr_t OpenBuffered(int number, const std::wstring& path, Way way) {
    switch (way) {
      case WAY_READ: return services::FileOpenRead(number, path.c_str());
      case WAY_UPDATE: return services::FileOpenUpdate(number, path.c_str());
      case WAY_CREATE: return services::FileOpenCreate(number, path.c_str());
      case WAY_EXCLUSIVE: return services::FileOpenExclusive(number, path.c_str());
      default: return services::FileOpenReadShared(number, path.c_str());
    }
  }
  static bool Append(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return written == bytes.size();
  }
  void Log(const std::string& step) {
    if (failure_.empty()) steps_ << "  " << step << "\n";
  }
  template <typename Value>
  void Check(const std::string& step, const Value& buffered, const Value& expected) {
    Log(step);
    if (!failure_.empty() || buffered == expected) return;
    std::ostringstream out;
    out << "  -> buffered gave " << Printable(buffered, expected) << "; byte by byte "
        << Printable(expected, buffered);
    failure_ = out.str();
  }
  // Texts in hexadecimal: the first 24 bytes and where they first differ
  // from the other text.
  static std::string Printable(const std::string& text, const std::string& other) {
    size_t differ = 0;
    while (differ < text.size() && differ < other.size() && text[differ] == other[differ]) ++differ;
    std::ostringstream out;
    out << text.size() << " bytes, first difference at " << differ << ":";
    const size_t from = differ > 8 ? differ - 8 : 0;
    for (size_t i = from; i < text.size() && i < from + 24; ++i) {
      out << " " << std::hex << (static_cast<unsigned>(text[i]) & 0xFF) << std::dec;
    }
    return out.str();
  }
  template <typename Value>
  static std::string Printable(const Value& value, const Value&) {
    return std::to_string(value);
  }

  const test_support::ScratchDirectory& buffered_;
  const test_support::ScratchDirectory& reference_;
  Reference model_;
  std::ostringstream steps_;
  std::string failure_;
};

class BufferedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { services::FileTableInit(); }
  void TearDown() override {
    services::FileCloseAll();
    EXPECT_TRUE(HeapValidate(foundation::mainHeap, 0, nullptr));
  }

  test_support::RuntimeHeaps heaps;
  // The buffered layer's files and the reference's, reused by every sequence.
  test_support::ScratchDirectory buffered{"buffered"};
  test_support::ScratchDirectory reference{"reference"};
};

// Cases chosen at the buffer's edges, each a script of steps.
TEST_F(BufferedFilesTest, BufferEdgesAgreeWithByteByByte) {
  const std::string filler(BUFFER - 1, 'a');
  struct Row {
    const char* label;
    std::string bytes;
    void (*steps)(Comparison& c);
  } rows[] = {
      {"read-ahead bytes of the end test and a lone CR put back", "A\rBC\r\nD",
       [](Comparison& c) {
         c.Open(0, "f", WAY_READ);
         c.AtEnd(0); c.Position(); c.ReadLine(); c.Position(); c.ReadValue(1); c.ReadLine();
         c.Position(); c.AtEnd(0); c.ReadLine(); c.AtEnd(0);
       }},
      {"lone CR as the buffer's last byte", filler + "\rB\r\nC",
       [](Comparison& c) {
         c.Open(0, "f", WAY_READ);
         for (int i = 0; i < 3; ++i) { c.ReadLine(); c.Position(); c.AtEnd(0); }
       }},
      {"CR LF split by the buffer's edge", filler + "\r\nB",
       [](Comparison& c) {
         c.Open(0, "f", WAY_READ);
         c.ReadLine(); c.Position(); c.ReadLine(); c.AtEnd(0);
       }},
      {"a line longer than the buffer", std::string(BUFFER * 2 + 7, 'x') + "\nB",
       [](Comparison& c) {
         c.Open(0, "f", WAY_READ);
         c.ReadLine(); c.Position(); c.ReadLine(); c.AtEnd(0); c.Position();
       }},
      {"positions inside and outside the read-ahead", filler + "bcdefgh",
       [](Comparison& c) {
         c.Open(0, "f", WAY_READ);
         c.ReadData(10); c.SetPosition(3); c.Position(); c.ReadValue(4);
         c.SetPosition(BUFFER + 2); c.Position(); c.ReadValue(2);
         c.SetPosition(-4); c.Position(); c.ReadValue(1);
         c.SetPosition(BUFFER * 3); c.Position(); c.AtEnd(0); c.ReadValue(4);
       }},
      {"writes after reads on an update file", filler + "0123456789",
       [](Comparison& c) {
         c.Open(0, "f", WAY_UPDATE);
         c.ReadData(5); c.WriteText("XY"); c.Position(); c.ReadValue(1);
         c.SetPosition(BUFFER - 2); c.WriteLine("end"); c.Size(); c.ReadLine(); c.AtEnd(0);
         c.WriteByte(200); c.Size(); c.SetPosition(0); c.ReadData(8);
       }},
      {"a file another handle appends to", "Anna\r\nBert",
       [](Comparison& c) {
         c.Open(0, "f", WAY_READ_SHARED);
         c.ReadLine(); c.ReadLine(); c.AtEnd(0);
         c.AppendFromOutside("f", "\r\nCarl\r");
         c.AtEnd(0); c.ReadLine(); c.ReadLine(); c.AtEnd(0);
         c.AppendFromOutside("f", "\nDora"); c.ReadLine(); c.Size();
       }},
      {"a file open under two numbers", filler + "bcd",
       [](Comparison& c) {
         c.Open(0, "f", WAY_UPDATE);
         c.Open(1, "f", WAY_READ_SHARED);
         c.ReadData(4); c.Select(0); c.WriteText("QRST"); c.Select(1); c.ReadData(4);
         c.Select(0); c.SetPosition(BUFFER); c.WriteText("Z"); c.AtEnd(1); c.Select(1);
         c.SetPosition(BUFFER - 1); c.ReadData(4); c.FlushAndReadFromOutside("f");
       }},
  };
  for (const Row& row : rows) {
    Comparison comparison(buffered, reference);
    comparison.Prepare("f", row.bytes);
    row.steps(comparison);
    comparison.CloseAllAndCompare({"f"});
    EXPECT_FALSE(comparison.failed()) << row.label << ":\n" << comparison.Report();
  }
}

// Random files and random sequences of every operation. A failure names its
// seed; VELMORA_FILES_SEED=<seed> runs that sequence alone.
class RandomSequence {
 public:
  explicit RandomSequence(uint32_t seed) : random_(seed) {}

  void Run(Comparison& c) {
    for (const char* name : NAMES) c.Prepare(name, Content());
    const int steps = Below(60) + 10;
    for (int step = 0; step < steps && !c.failed(); ++step) Step(c);
    c.CloseAllAndCompare({NAMES[0], NAMES[1]});
  }

 private:
  static constexpr const char* NAMES[] = {"a", "b"};

  int Below(int n) { return static_cast<int>(random_() % static_cast<uint32_t>(n)); }

  // Short lines with every kind of line end, sometimes reaching past the
  // buffer, now and then with a line longer than it.
  std::string Content() {
    const int shape = Below(10);
    const size_t size = shape < 4 ? Below(200) : shape < 9 ? BUFFER - 300 + Below(700)
                                                           : BUFFER * 2 + Below(500);
    std::string bytes;
    while (bytes.size() < size) {
      if (shape == 9 && Below(50) == 0) bytes += std::string(BUFFER + Below(100), 'x');
      bytes += Piece();
    }
    bytes.resize(size);
    return bytes;
  }
  std::string Piece() {
    static const char* const ENDS[] = {"\r\n", "\n", "\r", "\n\r"};
    const int kind = Below(8);
    if (kind == 0) return std::string(1, '\0');
    if (kind < 4) return ENDS[Below(4)];
    std::string text;
    for (int i = Below(12); i >= 0; --i) text += static_cast<char>("Anna\xF6\xFF z"[Below(8)]);
    return text;
  }
  // A position near the start, near a buffer's edge, near the end or beyond.
  int32_t Position() {
    const int where = Below(6);
    if (where == 0) return Below(20);
    if (where == 1) return static_cast<int32_t>(BUFFER) + Below(20) - 10;
    if (where == 2) return static_cast<int32_t>(BUFFER) * 2 + Below(20) - 10;
    if (where == 3) return -1 - Below(3);
    return Below(static_cast<int>(BUFFER) * 2 + 600);
  }
  std::string Text() {
    const int length = Below(10) == 0 ? BUFFER - 5 + Below(10) : Below(30);
    std::string text;
    for (int i = 0; i < length; ++i) text += "Bert\r\n\xE4"[Below(7)];
    return text;
  }

  void Step(Comparison& c) {
    const int number = Below(2);
    switch (Below(20)) {
      case 0: c.Open(number, NAMES[Below(2)], static_cast<Way>(Below(WAY_COUNT))); break;
      case 1: c.Close(number); break;
      case 2: c.Select(number); break;
      case 3: c.AtEnd(number); break;
      case 4: c.ReadValue(1 << Below(3)); break;
      case 5: c.ReadValue(5); break;
      case 6: c.ReadData(Below(4) == 0 ? BUFFER + Below(100) : Below(40)); break;
      case 7: case 8: case 9: c.ReadLine(); break;
      case 10: c.WriteByte(Below(256)); break;
      case 11: c.WriteText(Text()); break;
      case 12: c.WriteLine(Text()); break;
      case 13: c.Flush(); break;
      case 14: c.SetPosition(Position()); break;
      case 15: c.Position(); break;
      case 16: c.Size(); break;
      case 17: c.AppendFromOutside(NAMES[Below(2)], Piece() + Piece()); break;
      case 18: c.FlushAndReadFromOutside(NAMES[Below(2)]); break;
      default: c.AtEnd(number); c.ReadLine(); break;
    }
  }

  std::mt19937 random_;
};

TEST_F(BufferedFilesTest, RandomSequencesAgreeWithByteByByte) {
  constexpr uint32_t FIRST_SEED = 20261207;
  constexpr int SEQUENCES = 2000;
  const char* chosen = getenv("VELMORA_FILES_SEED");
  const uint32_t first = chosen ? static_cast<uint32_t>(strtoul(chosen, nullptr, 10)) : FIRST_SEED;
  const int count = chosen ? 1 : SEQUENCES;
  int failures = 0;
  for (int i = 0; i < count && failures < 3; ++i) {
    const uint32_t seed = first + static_cast<uint32_t>(i);
    Comparison comparison(buffered, reference);
    RandomSequence(seed).Run(comparison);
    if (!comparison.failed()) continue;
    ++failures;
    ADD_FAILURE() << "seed " << seed << " (VELMORA_FILES_SEED=" << seed << "):\n"
                  << comparison.Report();
  }
}

// A write the system refuses is reported. A refusal found by a call that
// only pushed the waiting bytes out (here the size) stays with the file:
// FileFlush, the next write and FileClose report it, with the system's code.
// Else the write that found it out when the buffer had to make room reports
// it, or FileFlush. The device that is always full refuses every byte.
TEST_F(BufferedFilesTest, AWriteTheSystemRefusesIsReported) {
  ASSERT_NE(services::FileOpenUpdate(0, L"Z:\\dev\\full"), 0);
  EXPECT_EQ(services::FileWriteLine("Anna"), 6) << "taken into the buffer";
  services::FileGetSize();
  EXPECT_FALSE(services::FileFlush()) << "the refusal was forgotten";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(services::FileWriteLine("Bert"), 0);
  EXPECT_FALSE(services::FileClose(0));

  ASSERT_NE(services::FileOpenUpdate(0, L"Z:\\dev\\full"), 0);
  EXPECT_EQ(services::FileWriteLine("Anna"), 6) << "taken into the buffer";
  EXPECT_FALSE(services::FileFlush()) << "the full device refused the line";
  const std::string line(1000, 'x');
  int32_t taken = 0, writes = 0;
  for (; writes < 100; ++writes) {
    const int32_t count = services::FileWriteLine(line.c_str());
    if (count != static_cast<int32_t>(line.size() + 2)) break;
    taken += count;
  }
  EXPECT_LT(writes, 100) << "no write was reported short";
  EXPECT_LE(taken, static_cast<int32_t>(BUFFER));
  services::FileFlush();
  EXPECT_EQ(services::FileWriteText(std::string(BUFFER + 1, 'y').c_str()), 0)
      << "a text longer than the buffer goes to the system at once";
}

// A write that the system takes only in part without an error is not taken
// as complete: a pipe that nobody reads, in its non-waiting mode, takes what
// fits in its buffer and says so.
TEST_F(BufferedFilesTest, AWriteTakenOnlyInPartIsReported) {
  const wchar_t* name = L"\\\\.\\pipe\\velmora-short-write";
  HANDLE pipe = CreateNamedPipeW(name, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 16, 16,
                                 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  ASSERT_NE(services::FileOpenExclusive(0, name), 0);
  DWORD mode = PIPE_NOWAIT;
  ASSERT_TRUE(SetNamedPipeHandleState(reinterpret_cast<HANDLE>(services::FileSelect(0)), &mode,
                                      nullptr, nullptr));
  EXPECT_EQ(services::FileWriteText(std::string(100, 'x').c_str()), 100) << "taken into the buffer";
  EXPECT_FALSE(services::FileFlush()) << "the pipe took only part of the text";
  EXPECT_FALSE(services::FileClose(0));
  CloseHandle(pipe);
}

}  // namespace
