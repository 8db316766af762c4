// quorvan.exe as a user starts it, twice at once: against the stand-in wlanapi.dll in its folder
// (WINEDLLOVERRIDES=wlanapi=n), and from a folder without it against Wine's own, which lists no
// interface. Both run while the tests wait, so the suite waits for the 20-second cycle once.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "win32_test_support.h"  // windows.h, then commctrl.h

namespace quorvan {
namespace {

using testing::CallsOf;

struct ProgramRun {
  std::wstring log;
  PROCESS_INFORMATION process{};
  ULONGLONG startedAtMs = 0;

  ~ProgramRun() { TerminateProcess(process.hProcess, 99); }  // fails once it has exited

  // Starts quorvan.exe from `folder`, a copy of it unless it is where the program was built,
  // next to the stand-in wlanapi.dll.
  bool Start(const std::wstring& folder, const wchar_t* dllOverrides) {
    const std::wstring program = folder + L"quorvan.exe";
    CreateDirectoryW(folder.c_str(), nullptr);
    CopyFileW((testing::ProgramFolder() + L"quorvan.exe").c_str(), program.c_str(), FALSE);
    log = folder + L"e2e-wlanapi-calls.log";
    DeleteFileW(log.c_str());
    SetEnvironmentVariableW(L"WINEDLLOVERRIDES", dllOverrides);
    SetEnvironmentVariableW(L"QUORVAN_WLAN_LOG", log.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startedAtMs = GetTickCount64();
    return CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process) != FALSE;
  }

  // The program's visible dialog, once it is up.
  HWND MainWindow() const {
    HWND found = nullptr;
    const auto visible = [](HWND window, LPARAM found) -> BOOL {
      if (IsWindowVisible(window)) *reinterpret_cast<HWND*>(found) = window;
      return !IsWindowVisible(window);
    };
    for (int tries = 0; tries < 150 && found == nullptr; ++tries) {
      Sleep(200);
      EnumThreadWindows(process.dwThreadId, visible, reinterpret_cast<LPARAM>(&found));
    }
    return found;
  }

  DWORD ExitCode(DWORD waitMs) const {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.hProcess, waitMs) == WAIT_OBJECT_0)
      GetExitCodeProcess(process.hProcess, &code);
    return code;
  }
};

bool TitleCountsDown(HWND window) {
  return testing::WindowText(window).rfind(L"Quorvan_V20160130: oqli - ", 0) == 0;
}

class EndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(standIn_.Start(testing::ProgramFolder(), L"wlanapi=n"));
    ASSERT_TRUE(wineOwn_.Start(testing::ProgramFolder() + L"e2e-wine-wlanapi\\", L"wlanapi=b"));
  }
  static inline ProgramRun standIn_;
  static inline ProgramRun wineOwn_;
};

TEST_F(EndToEnd, StandInServiceScheduleAndEscape) {
  const HWND window = standIn_.MainWindow();
  ASSERT_NE(window, nullptr) << "no window from quorvan.exe";
  std::vector<testing::WlanCall> calls;
  for (int tries = 0; tries < 180 && CallsOf(calls, "WlanGetNetworkBssList").size() < 2; ++tries) {
    Sleep(250);
    calls = testing::ReadCalls(standIn_.log);
  }
  const HWND list = GetDlgItem(window, IDC_NETWORK_LIST);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_TRUE(TitleCountsDown(window));

  // Escape reaches the focused list first; the dialog manager turns it into Cancel.
  PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  EXPECT_EQ(standIn_.ExitCode(10000), 0u);

  calls = testing::ReadCalls(standIn_.log);
  const auto queries = CallsOf(calls, "WlanGetNetworkBssList");
  const auto scans = CallsOf(calls, "WlanScan");
  ASSERT_GE(queries.size(), 2u);
  ASSERT_GE(scans.size(), 1u);
  const auto msBetween = [](const auto& later, const auto& earlier) {
    return static_cast<long long>(later.atMs - earlier.atMs);
  };
  EXPECT_LT(queries[0].atMs - standIn_.startedAtMs, 15000u) << "the first query at start";
  EXPECT_NEAR(msBetween(scans[0], queries[0]), 10000, 1500) << "and no scan request before it";
  EXPECT_NEAR(msBetween(queries[1], queries[0]), 20000, 1500);
  EXPECT_EQ(calls.back().after, "open=0 lists=0 faults=0");
}

TEST_F(EndToEnd, WineOwnServiceWithoutInterfacesKeepsTheWindowUp) {
  const HWND window = wineOwn_.MainWindow();
  ASSERT_NE(window, nullptr) << "no window from quorvan.exe";
  // Past the scan request at the tenth second, also when this test runs alone.
  while (GetTickCount64() - wineOwn_.startedAtMs < 13000) Sleep(250);
  EXPECT_EQ(wineOwn_.ExitCode(0), STILL_ACTIVE) << "quorvan.exe ended without being closed";
  EXPECT_TRUE(TitleCountsDown(window));
  EXPECT_TRUE(testing::ReadCalls(wineOwn_.log).empty()) << "the stand-in was loaded";
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(wineOwn_.ExitCode(10000), 0u);
}

}  // namespace
}  // namespace quorvan
