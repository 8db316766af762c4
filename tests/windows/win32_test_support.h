#pragma once

// Helpers for the tests under Wine: texts read straight from the controls, and the call log of
// the stand-in wlanapi.dll.

#include <windows.h>
// windows.h first: commctrl.h relies on its types.
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quorvan::testing {

inline std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  return std::wstring(text, static_cast<std::size_t>(GetWindowTextW(window, text, 256)));
}

// A list view cell read with LVM_GETITEMTEXTW, not through the code under test.
inline std::wstring ListCell(HWND list, int row, int column) {
  wchar_t text[256] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  const LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                      reinterpret_cast<LPARAM>(&item));
  return std::wstring(item.pszText, static_cast<std::size_t>(length));
}

// The folder of the running test program, with a trailing backslash.
inline std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const std::wstring file(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  return file.substr(0, file.find_last_of(L"\\/") + 1);
}

// One line of the stand-in's log.
struct WlanCall {
  uint64_t atMs = 0;  // GetTickCount64
  std::string function;
  std::string after;  // what was live after the call: "open=0 lists=0 faults=0" when all is well
};

inline std::vector<WlanCall> ReadCalls(const std::wstring& path) {
  std::vector<WlanCall> calls;
  FILE* file = _wfopen(path.c_str(), L"r");
  unsigned long long at = 0;
  char function[64] = {}, after[128] = {};
  while (file != nullptr && std::fscanf(file, "%llu %63s %127[^\n]", &at, function, after) == 3)
    calls.push_back({at, function, after});
  if (file != nullptr) std::fclose(file);
  return calls;
}

inline std::vector<WlanCall> CallsOf(const std::vector<WlanCall>& calls, const char* function) {
  std::vector<WlanCall> selected;
  for (const WlanCall& call : calls) {
    if (call.function == function) selected.push_back(call);
  }
  return selected;
}

}  // namespace quorvan::testing
