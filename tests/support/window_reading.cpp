#include "window_reading.h"

#include <cstring>

namespace test_support {
namespace {

struct WindowSearch {
  DWORD processId;
  const char* className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  const bool ownerMatches = search->processId ? owner == search->processId
                                              : owner != GetCurrentProcessId();
  char name[64];
  if (ownerMatches && IsWindowVisible(window) &&
      GetClassNameA(window, name, sizeof(name)) && strcmp(name, search->className) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindVisibleWindow(DWORD processId, const char* className) {
  WindowSearch search = {processId, className, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string TextOf(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

namespace {

BOOL CALLBACK FindMessageText(HWND child, LPARAM found) {
  auto* text = reinterpret_cast<std::string*>(found);
  if (_stricmp(ClassOf(child).c_str(), "Static") != 0) return TRUE;
  *text = TextOf(child);
  return text->empty();
}

}  // namespace

std::string MessageBoxText(HWND box) {
  std::string text;
  EnumChildWindows(box, FindMessageText, reinterpret_cast<LPARAM>(&text));
  return text;
}

}  // namespace test_support
