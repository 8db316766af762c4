#pragma once

// Helpers for the tests under Wine: texts read straight from the controls, and the call log of
// the stand-in wlanapi.dll.

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quorvan::testing {

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

// A list view cell read with LVM_GETITEMTEXTW, not through the code under test.
std::wstring ListCell(HWND list, int row, int column);

// The folder of the running test program, with a trailing backslash.
std::wstring ProgramFolder();

// Pumps this thread's messages for about `milliseconds`.
void PumpMessages(DWORD milliseconds);

// One line of the stand-in's log.
struct WlanCall {
  uint64_t atMs = 0;  // GetTickCount64 when the call was made
  std::string function;
  std::map<std::string, std::string> fields;

  std::string Field(const std::string& key) const;
};

// The file the stand-in writes to (QUORVAN_WLAN_LOG), emptied at construction.
class WlanCallLog {
 public:
  explicit WlanCallLog(std::wstring path);
  const std::wstring& Path() const { return path_; }
  void Clear() const;
  std::vector<WlanCall> Read() const { return ReadFile(path_); }

  // Another process's log, read without emptying it.
  static std::vector<WlanCall> ReadFile(const std::wstring& path);
  static bool Exists(const std::wstring& path);

 private:
  std::wstring path_;
};

// What went wrong with handles and lists in `calls`: every open closed once, every list freed
// once and only lists the service handed out; empty when all is well.
std::string HandleAndListFaults(const std::vector<WlanCall>& calls);

// Calls of `function` only.
std::vector<WlanCall> CallsOf(const std::vector<WlanCall>& calls, const std::string& function);

}  // namespace quorvan::testing
