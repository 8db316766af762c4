#include "win32_test_support.h"

#include <commctrl.h>

#include <fstream>
#include <set>
#include <sstream>

#include "ui/win32/wide_text.h"

namespace quorvan::testing {

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  const int length = GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return std::wstring(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::wstring ClassName(HWND window) {
  wchar_t name[128] = {};
  const int length = GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::wstring ListCell(HWND list, int row, int column) {
  wchar_t text[1024] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = static_cast<int>(std::size(text));
  const auto length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                   reinterpret_cast<LPARAM>(&item));
  return std::wstring(item.pszText, static_cast<std::size_t>(length));
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length < MAX_PATH ? length : 0);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

void PumpMessages(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  while (GetTickCount64() < end) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
}

std::string WlanCall::Field(const std::string& key) const {
  const auto found = fields.find(key);
  return found == fields.end() ? std::string() : found->second;
}

WlanCallLog::WlanCallLog(std::wstring path) : path_(std::move(path)) { Clear(); }

void WlanCallLog::Clear() const {
  const HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

bool WlanCallLog::Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<WlanCall> WlanCallLog::ReadFile(const std::wstring& path) {
  std::vector<WlanCall> calls;
  std::ifstream file(path.c_str());
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream words(line);
    WlanCall call;
    if (!(words >> call.atMs >> call.function)) continue;
    std::string field;
    while (words >> field) {
      const auto equals = field.find('=');
      if (equals != std::string::npos)
        call.fields[field.substr(0, equals)] = field.substr(equals + 1);
    }
    calls.push_back(std::move(call));
  }
  return calls;
}

std::vector<WlanCall> CallsOf(const std::vector<WlanCall>& calls, const std::string& function) {
  std::vector<WlanCall> selected;
  for (const WlanCall& call : calls) {
    if (call.function == function) selected.push_back(call);
  }
  return selected;
}

std::string HandleAndListFaults(const std::vector<WlanCall>& calls) {
  std::set<std::string> open;
  std::set<std::string> lists;
  std::ostringstream faults;
  for (const WlanCall& call : calls) {
    if (call.function == "WlanOpenHandle" && call.Field("result") == "0") {
      open.insert(call.Field("handle"));
    } else if (call.function == "WlanCloseHandle") {
      if (open.erase(call.Field("handle")) == 0)
        faults << "closed twice or never opened: handle " << call.Field("handle") << "; ";
    } else if (!call.Field("list").empty() && call.function != "WlanFreeMemory") {
      lists.insert(call.Field("list"));
    } else if (call.function == "WlanFreeMemory") {
      if (lists.erase(call.Field("list")) == 0)
        faults << "freed twice or never handed out: list " << call.Field("list") << "; ";
    }
  }
  for (const std::string& handle : open) faults << "never closed: handle " << handle << "; ";
  for (const std::string& list : lists) faults << "never freed: list " << list << "; ";
  return faults.str();
}

}  // namespace quorvan::testing
