#pragma once

// Texts read straight from the controls, not through the code under test, and the stand-in's log.

#include <windows.h>
// windows.h first: commctrl.h relies on its types.
#include <commctrl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace quorvan::testing {

inline std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  return std::wstring(text, static_cast<std::size_t>(GetWindowTextW(window, text, 256)));
}

// One column of a list view, read with LVM_GETITEMTEXTW.
inline std::vector<std::wstring> ListColumn(HWND list, int column) {
  std::vector<std::wstring> cells;
  for (int row = 0; row < SendMessageW(list, LVM_GETITEMCOUNT, 0, 0); ++row) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    const LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                        reinterpret_cast<LPARAM>(&item));
    cells.emplace_back(item.pszText, static_cast<std::size_t>(length));
  }
  return cells;
}

// The folder of the running test program, with a trailing backslash.
inline std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const std::wstring file(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  return file.substr(0, file.find_last_of(L"\\/") + 1);
}

// The stand-in's log: when each function was called (GetTickCount64), and what was live after
// the last call, "open=0 lists=0 faults=0" when all is well.
struct WlanLog {
  std::map<std::string, std::vector<ULONGLONG>> times;
  std::string after;
};

inline WlanLog ReadLog(const std::wstring& path) {
  WlanLog log;
  FILE* file = _wfopen(path.c_str(), L"r");
  unsigned long long at = 0;
  char function[64] = {}, after[128] = {};
  while (file != nullptr && std::fscanf(file, "%llu %63s %127[^\n]", &at, function, after) == 3) {
    log.times[function].push_back(at);
    log.after = after;
  }
  if (file != nullptr) std::fclose(file);
  return log;
}

}  // namespace quorvan::testing
