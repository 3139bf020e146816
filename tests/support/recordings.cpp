#include "recordings.h"

#include "processes.h"

namespace test_support {

std::string RecorderPath() { return BuildPath("tests/recorder.exe"); }

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const char* name, const std::string& value)
    : name_(name) {
  const DWORD length = GetEnvironmentVariableA(name, nullptr, 0);
  hadValue_ = length > 0;
  if (hadValue_) {
    oldValue_.resize(length);
    oldValue_.resize(GetEnvironmentVariableA(name, oldValue_.data(), length));
  }
  SetEnvironmentVariableA(name, value.c_str());
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
  SetEnvironmentVariableA(name_.c_str(), hadValue_ ? oldValue_.c_str() : nullptr);
}

std::string Record::Value(const std::string& key) const {
  for (const auto& field : fields) {
    if (field.first == key) return field.second;
  }
  return "";
}

std::vector<std::string> Record::Values(const std::string& key) const {
  std::vector<std::string> values;
  for (const auto& field : fields) {
    if (field.first == key) values.push_back(field.second);
  }
  return values;
}

std::vector<Record> RecordFile::Read() const {
  std::vector<Record> records;
  const auto text = directory_.ReadFile("records.txt");
  if (!text) return records;
  Record current;
  size_t start = 0;
  for (size_t end; (end = text->find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = text->substr(start, end - start);
    if (line.empty()) {
      records.push_back(current);
      current = {};
      continue;
    }
    const size_t equals = line.find('=');
    current.fields.emplace_back(line.substr(0, equals),
                                equals == std::string::npos ? "" : line.substr(equals + 1));
  }
  return records;
}

std::vector<Record> RecordFile::WaitForRecords(size_t count, DWORD timeoutMs) const {
  std::vector<Record> records;
  WaitUntil(
      [&] {
        records = Read();
        return records.size() >= count;
      },
      timeoutMs);
  return records;
}

}  // namespace test_support
