#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace test_support {

// The items of a combo box in another process, as Windows-1252 texts. Read
// one by one, each item costs round trips between the processes, which a
// hundred thousand items make a matter of minutes on a busy machine; so a
// message hook puts a small library of this build into the box's thread,
// which copies them all there at once. nullopt when they could not be read.
std::optional<std::vector<std::string>> ReadComboBoxItems(HWND comboBox);

}  // namespace test_support
