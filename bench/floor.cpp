// The floor of the benchmark: a plain Win32 program that does the work the
// launcher must do before it waits for input, and at Quit, and nothing else.
// The same window with its eleven controls, the DirectInput keyboard with the
// standard keyboard format, both pictures, the roster read with one ReadFile
// and put in the combo box with drawing off and the storage reserved; at Quit
// the file written with one WriteFile, flushed and put in place of
// velmora.cfg in one step, then the end sequence the launcher must run too:
// the keyboard released, the pictures and the window (and with it its
// controls) destroyed, and the process ended. No runtime of the launcher's own.
//   floor                    the launcher's floor, in the current directory
//   floor -delete FOLDER     deletes the folder's files with FindFirstFileW,
//                            FindNextFileW and DeleteFileW, then the folder;
//                            the exit code is the time it took in microseconds
#define DIRECTINPUT_VERSION 0x0700
#include <windows.h>
#include <commctrl.h>
#include <dinput.h>

#include <cstring>

#include "assets/resources.h"

namespace {

constexpr char SETTINGS_FILE[] = "velmora.cfg";
constexpr int QUIT_BUTTON = 5;
constexpr int COMBO_BOX = 8;
constexpr int INNER_WIDTH = 450;
constexpr int INNER_HEIGHT = 320;

HINSTANCE instance;
HFONT font;
IDirectInput7A* directInput;
IDirectInputDevice7A* keyboard;
HMODULE directInputLibrary;
char* roster;          // the file's bytes; the names are cut out in place
char** names;          // where each name begins in them
DWORD nameCount;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == QUIT_BUTTON) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void OpenKeyboard() {
  directInputLibrary = LoadLibraryA("DINPUT.DLL");
  if (!directInputLibrary) return;
  using Create = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, void**, IUnknown*);
  auto create = reinterpret_cast<Create>(
      reinterpret_cast<void*>(GetProcAddress(directInputLibrary, "DirectInputCreateEx")));
  if (!create || create(instance, DIRECTINPUT_VERSION, IID_IDirectInput7A,
                        reinterpret_cast<void**>(&directInput), nullptr) != DI_OK) {
    return;
  }
  if (directInput->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInputDevice7A,
                                  reinterpret_cast<void**>(&keyboard), nullptr) == DI_OK) {
    keyboard->SetDataFormat(&c_dfDIKeyboard);
  }
}

void CloseKeyboard() {
  if (keyboard) {
    keyboard->Unacquire();
    keyboard->Release();
  }
  if (directInput) directInput->Release();
  if (directInputLibrary) FreeLibrary(directInputLibrary);
}

// A screen-compatible bitmap from a BMP file embedded as RCDATA.
HBITMAP Picture(int resource) {
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(resource), MAKEINTRESOURCEA(10));
  if (!found) return nullptr;
  const auto* file = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
  const auto* header = reinterpret_cast<const BITMAPFILEHEADER*>(file);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(file + sizeof(BITMAPFILEHEADER));
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, file + header->bfOffBits,
                                  info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

HWND Child(HWND parent, int id, const char* className, const char* text, DWORD style,
           DWORD extendedStyle, int x, int y, int width, int height) {
  HWND child = CreateWindowExA(extendedStyle, className, text, style, x, y, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                               nullptr);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return child;
}

HWND Button(HWND parent, int id, const char* text, int x, int y, int width, int height) {
  return Child(parent, id, "BUTTON", text,
               WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, 0, x, y, width,
               height);
}

void ShowPicture(HWND parent, int id, HBITMAP picture, int x, int y, int width, int height) {
  HWND control = Child(parent, id, "STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_BITMAP,
                       0, x, y, width, height);
  SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
}

// Reads the whole file with one ReadFile and cuts it into names at every
// line end (CR LF, LF, CR or a zero byte); the first byte is the selection.
signed char ReadRoster() {
  HANDLE file = CreateFileA(SETTINGS_FILE, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  const DWORD size = GetFileSize(file, nullptr);
  roster = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size + 1));
  DWORD read = 0;
  ReadFile(file, roster, size, &read, nullptr);
  CloseHandle(file);
  if (!read) return 0;
  roster[read] = '\0';
  DWORD lines = 0;
  for (DWORD i = 1; i < read; ++i) lines += roster[i] == '\n' || roster[i] == '\r' || !roster[i];
  names = static_cast<char**>(HeapAlloc(GetProcessHeap(), 0, (lines + 1) * sizeof(char*)));
  for (DWORD i = 1; i < read;) {
    names[nameCount++] = roster + i;
    while (i < read && roster[i] != '\n' && roster[i] != '\r' && roster[i]) ++i;
    const char end = roster[i];
    roster[i++] = '\0';
    if (end == '\r' && i < read && roster[i] == '\n') ++i;
  }
  return static_cast<signed char>(roster[0]);
}

void FillComboBox(HWND comboBox) {
  DWORD bytes = 0;
  for (DWORD i = 0; i < nameCount; ++i) bytes += static_cast<DWORD>(strlen(names[i]) + 1);
  SendMessageA(comboBox, WM_SETREDRAW, FALSE, 0);
  SendMessageA(comboBox, CB_INITSTORAGE, nameCount, bytes);
  for (DWORD i = 0; i < nameCount; ++i) {
    SendMessageA(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i]));
  }
  SendMessageA(comboBox, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(comboBox, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// One WriteFile of the whole roster to a file beside it, flushed, then put
// in place in one step.
void SaveRoster() {
  DWORD size = 1;
  for (DWORD i = 0; i < nameCount; ++i) size += static_cast<DWORD>(strlen(names[i]) + 2);
  char* out = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size));
  char* at = out;
  *at++ = 0;
  for (DWORD i = 0; i < nameCount; ++i) {
    for (const char* c = names[i]; *c;) *at++ = *c++;
    *at++ = '\r';
    *at++ = '\n';
  }
  char saving[MAX_PATH];
  if (!GetTempFileNameA(".", "vlm", 0, saving)) return;
  HANDLE file = CreateFileA(saving, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, out, size, &written, nullptr);
  FlushFileBuffers(file);
  CloseHandle(file);
  MoveFileExA(saving, SETTINGS_FILE, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

// Deletes the plain files directly in the folder and then the folder, as a
// plain program would; the microseconds it took.
UINT DeleteFolder(const wchar_t* folder) {
  LARGE_INTEGER frequency, started, ended;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&started);
  wchar_t path[MAX_PATH];
  const size_t length = lstrlenW(folder);
  if (length + 2 >= MAX_PATH) return 0;
  lstrcpyW(path, folder);
  lstrcpyW(path + length, L"\\*");
  WIN32_FIND_DATAW found;
  HANDLE entries = FindFirstFileW(path, &found);
  if (entries != INVALID_HANDLE_VALUE) {
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      if (length + 1 + lstrlenW(found.cFileName) >= MAX_PATH) continue;
      lstrcpyW(path + length + 1, found.cFileName);
      DeleteFileW(path);
    } while (FindNextFileW(entries, &found));
    FindClose(entries);
  }
  RemoveDirectoryW(folder);
  QueryPerformanceCounter(&ended);
  return static_cast<UINT>((ended.QuadPart - started.QuadPart) * 1000000 / frequency.QuadPart);
}

// The folder of a start as "FLOOR" -delete "FOLDER", the way the driver
// starts it (the shell's splitting of a command line is a library the
// launcher's start does not load); nullptr for any other start.
wchar_t* FolderToDelete() {
  constexpr wchar_t SWITCH[] = L"\" -delete \"";
  for (wchar_t* at = GetCommandLineW(); *at; ++at) {
    const wchar_t* expected = SWITCH;
    wchar_t* folder = at;
    while (*expected && *folder == *expected) ++expected, ++folder;
    if (*expected) continue;
    for (wchar_t* end = folder; *end; ++end) {
      if (*end == L'"') *end = L'\0';
    }
    return folder;
  }
  return nullptr;
}

}  // namespace

extern "C" __attribute__((force_align_arg_pointer)) void FloorEntry() {
  if (wchar_t* folder = FolderToDelete()) ExitProcess(DeleteFolder(folder));
  instance = GetModuleHandleA(nullptr);
  InitCommonControls();
  font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(WINDOW_ICON_RESOURCE));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "WindowClass_0";
  RegisterClassA(&windowClass);
  RECT outer = {0, 0, INNER_WIDTH, INNER_HEIGHT};
  AdjustWindowRectEx(&outer, WS_CAPTION, FALSE, 0);
  HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Velmora Starter",
                                WS_CAPTION | WS_VISIBLE, 312, 234, outer.right - outer.left,
                                outer.bottom - outer.top, nullptr, nullptr, instance, nullptr);
  OpenKeyboard();
  HBITMAP title = Picture(TITLE_PICTURE_RESOURCE);
  HBITMAP logo = Picture(LOGO_PICTURE_RESOURCE);
  const signed char selection = ReadRoster();

  ShowPicture(window, 0, title, 10, 10, 300, 300);
  ShowPicture(window, 1, logo, 330, 10, 100, 64);
  Button(window, 2, "Start Game", 330, 190, 100, 25);
  Button(window, 10, "Buy", 330, 220, 100, 20);
  Button(window, 3, "Manual", 330, 245, 100, 20);
  Button(window, 4, "Website", 330, 270, 100, 20);
  Button(window, QUIT_BUTTON, "Quit", 330, 295, 100, 20);
  Button(window, 6, "New", 340, 130, 80, 18);
  Button(window, 7, "Delete", 340, 155, 80, 18);
  HWND comboBox = Child(window, COMBO_BOX, "COMBOBOX", nullptr,
                        WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_GROUP | WS_TABSTOP |
                            CBS_HASSTRINGS | CBS_DROPDOWNLIST,
                        WS_EX_CLIENTEDGE, 335, 100, 90, 100);
  Child(window, 9, "BUTTON", "Character: ", WS_CHILD | WS_VISIBLE | WS_GROUP | BS_GROUPBOX, 0, 330,
        80, 100, 100);
  FillComboBox(comboBox);
  SendMessageA(comboBox, CB_SETCURSEL, selection, 0);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  SaveRoster();
  CloseKeyboard();
  DeleteObject(title);
  DeleteObject(logo);
  DestroyWindow(window);
  ExitProcess(0);
}
