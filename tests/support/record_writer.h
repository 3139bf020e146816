#pragma once
#include <string>

namespace test_support {

// The environment variable that names the record file. A test sets it before
// it starts a program; the program's children inherit it.
constexpr char RECORD_FILE_VARIABLE[] = "VELMORA_RECORD_FILE";
// How long the recording program waits before it ends, in milliseconds.
constexpr char RECORDER_LINGER_VARIABLE[] = "VELMORA_RECORDER_LINGER_MS";

// Appends one record, lines of the form "key=value\n", to the record file and
// ends it with an empty line. Used by the test's own helper programs; several
// of them may append at the same moment. Does nothing without the variable.
void AppendRecord(const std::string& lines);

}  // namespace test_support
