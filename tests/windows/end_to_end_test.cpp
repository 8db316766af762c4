// quorvan.exe as a user starts it, twice at once so that the 20-second cycle is waited for once:
// against the stand-in wlanapi.dll in its folder, and from another against Wine's own.

#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"
#include "win32_test_support.h"  // windows.h, then commctrl.h

namespace quorvan {
namespace {

// The folder of the quorvan.exe under test: QUORVAN_EXE_FOLDER (a Windows path) where a
// packaged copy is tested, else the folder it was built in.
std::wstring ExeFolder() {
  wchar_t folder[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"QUORVAN_EXE_FOLDER", folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return testing::ProgramFolder();
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  return path;
}

struct ProgramRun {
  const std::wstring log;
  PROCESS_INFORMATION process{};
  const ULONGLONG startedAtMs = GetTickCount64();

  // Starts quorvan.exe from `folder`, a copy of it unless it is the program's own folder.
  ProgramRun(const std::wstring& folder, const wchar_t* dllOverrides)
      : log(folder + L"e2e-wlanapi-calls.log") {
    const std::wstring program = folder + L"quorvan.exe";
    CreateDirectoryW(folder.c_str(), nullptr);
    CopyFileW((ExeFolder() + L"quorvan.exe").c_str(), program.c_str(), FALSE);
    DeleteFileW(log.c_str());
    SetEnvironmentVariableW(L"WINEDLLOVERRIDES", dllOverrides);
    SetEnvironmentVariableW(L"QUORVAN_WLAN_LOG", log.c_str());
    STARTUPINFOW startup;
    GetStartupInfoW(&startup);
    CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                   &process);
  }
  ~ProgramRun() { TerminateProcess(process.hProcess, 99); }  // fails once it has exited

  // The program's visible dialog, once it is up.
  HWND MainWindow() const {
    for (int tries = 0; tries < 150; ++tries) {
      Sleep(200);
      for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr;) {
        if (GetWindowThreadProcessId(w, nullptr) == process.dwThreadId && IsWindowVisible(w))
          return w;
      }
    }
    return nullptr;
  }

  DWORD ExitCode(DWORD waitMs) const {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.hProcess, waitMs) == WAIT_OBJECT_0)
      GetExitCodeProcess(process.hProcess, &code);
    return code;
  }
};

TEST(EndToEnd, StandInScheduleAndEscapeThenWineOwnServiceKeepsTheWindowUp) {
  ProgramRun standIn(ExeFolder(), L"wlanapi=n");
  ProgramRun wineOwn(ExeFolder() + L"e2e-wine-wlanapi\\", L"wlanapi=b");
  const HWND window = standIn.MainWindow();
  ASSERT_NE(window, nullptr) << "no window from quorvan.exe";
  testing::WlanLog calls;
  for (int tries = 0; tries < 180 && calls.times["WlanGetNetworkBssList"].size() < 2; ++tries) {
    Sleep(250);
    calls = testing::ReadLog(standIn.log);
  }
  const HWND list = GetDlgItem(window, IDC_NETWORK_LIST);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(testing::WindowText(window).substr(0, 26), L"Quorvan_V20160130: oqli - ");

  // Escape reaches the focused list first; the dialog manager turns it into Cancel.
  PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  EXPECT_EQ(standIn.ExitCode(10000), 0u);
  calls = testing::ReadLog(standIn.log);
  const auto& queries = calls.times["WlanGetNetworkBssList"];
  const auto& scans = calls.times["WlanScan"];
  ASSERT_TRUE(queries.size() >= 2 && !scans.empty());
  EXPECT_LT(queries[0] - standIn.startedAtMs, 15000u) << "the first query at start";
  EXPECT_NEAR(scans[0] - queries[0], 10000, 1500) << "and no scan request before it";
  EXPECT_NEAR(queries[1] - queries[0], 20000, 1500);
  EXPECT_EQ(calls.after, "open=0 lists=0 faults=0");

  const HWND wineWindow = wineOwn.MainWindow();
  ASSERT_NE(wineWindow, nullptr) << "no window from quorvan.exe";
  // Past the scan request at the tenth second.
  while (GetTickCount64() - wineOwn.startedAtMs < 13000) Sleep(250);
  EXPECT_EQ(testing::WindowText(wineWindow).substr(0, 26), L"Quorvan_V20160130: oqli - ");
  EXPECT_TRUE(testing::ReadLog(wineOwn.log).times.empty()) << "the stand-in was loaded";
  PostMessageW(wineWindow, WM_CLOSE, 0, 0);
  EXPECT_EQ(wineOwn.ExitCode(10000), 0u);
}

}  // namespace
}  // namespace quorvan
