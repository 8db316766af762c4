// quorvan.exe as a user starts it, twice at once: once against the stand-in wlanapi.dll in its
// folder (WINEDLLOVERRIDES=wlanapi=n), once against Wine's own wlanapi, which lists no interface.
// Both run while the tests wait, so the suite waits for the 20-second cycle only once.

#include <windows.h>
// windows.h first: commctrl.h relies on its types.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "res/resource.h"
#include "win32_test_support.h"

namespace quorvan {
namespace {

using testing::CallsOf;
using testing::WindowText;
using testing::WlanCall;

constexpr DWORD kWindowWaitMs = 30000;
constexpr ULONGLONG kSecondQueryWaitMs = 45000;

struct ProgramRun {
  std::wstring folder;
  PROCESS_INFORMATION process{};
  ULONGLONG startedAtMs = 0;
  HWND window = nullptr;

  ~ProgramRun() {
    if (process.hProcess != nullptr) {
      if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(process.hProcess, 99);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
  }
  std::wstring LogPath() const { return folder + L"wlanapi-calls.log"; }
};

// A fresh folder holding a copy of the program and, when `withStandIn`, the stand-in service.
bool Prepare(ProgramRun& run, const std::wstring& name, bool withStandIn) {
  const std::wstring built = testing::ProgramFolder();
  run.folder = built + name + L"\\";
  CreateDirectoryW(run.folder.c_str(), nullptr);
  DeleteFileW(run.LogPath().c_str());
  DeleteFileW((run.folder + L"wlanapi.dll").c_str());
  if (!CopyFileW((built + L"quorvan.exe").c_str(), (run.folder + L"quorvan.exe").c_str(), FALSE))
    return false;
  if (withStandIn &&
      !CopyFileW((built + L"wlanapi.dll").c_str(), (run.folder + L"wlanapi.dll").c_str(), FALSE)) {
    return false;
  }
  return true;
}

// Starts the program with the given WINEDLLOVERRIDES; the child inherits the environment.
bool Start(ProgramRun& run, const wchar_t* dllOverrides) {
  SetEnvironmentVariableW(L"WINEDLLOVERRIDES", dllOverrides);
  SetEnvironmentVariableW(L"QUORVAN_WLAN_LOG", run.LogPath().c_str());
  std::wstring commandLine = L"\"" + run.folder + L"quorvan.exe\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  run.startedAtMs = GetTickCount64();
  return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        run.folder.c_str(), &startup, &run.process) != FALSE;
}

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindProcessDialog(HWND window, LPARAM search) {
  auto* s = reinterpret_cast<WindowSearch*>(search);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == s->processId && testing::ClassName(window) == L"#32770" && IsWindowVisible(window)) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForMainWindow(const ProgramRun& run) {
  const ULONGLONG end = GetTickCount64() + kWindowWaitMs;
  while (GetTickCount64() < end) {
    WindowSearch search{run.process.dwProcessId, nullptr};
    EnumWindows(&FindProcessDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (WaitForSingleObject(run.process.hProcess, 200) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

DWORD WaitForExit(const ProgramRun& run, DWORD milliseconds) {
  if (WaitForSingleObject(run.process.hProcess, milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(run.process.hProcess, &code);
  return code;
}

int RowCount(HWND window) {
  return static_cast<int>(
      SendMessageW(GetDlgItem(window, IDC_NETWORK_LIST), LVM_GETITEMCOUNT, 0, 0));
}

class EndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    standIn_ = new ProgramRun;
    wineOwn_ = new ProgramRun;
    ASSERT_TRUE(Prepare(*standIn_, L"e2e-standin", true));
    ASSERT_TRUE(Prepare(*wineOwn_, L"e2e-wine-wlanapi", false));
    ASSERT_TRUE(Start(*standIn_, L"wlanapi=n"));
    ASSERT_TRUE(Start(*wineOwn_, L"wlanapi=b"));
  }
  static void TearDownTestSuite() {
    delete standIn_;
    delete wineOwn_;
  }
  static ProgramRun* standIn_;
  static ProgramRun* wineOwn_;
};
ProgramRun* EndToEnd::standIn_ = nullptr;
ProgramRun* EndToEnd::wineOwn_ = nullptr;

TEST_F(EndToEnd, StandInServiceScheduleAndEscape) {
  ProgramRun& run = *standIn_;
  run.window = WaitForMainWindow(run);
  ASSERT_NE(run.window, nullptr) << "no window from quorvan.exe";

  // Wait for the second query, about 20 s after the first.
  std::vector<WlanCall> calls;
  const ULONGLONG end = GetTickCount64() + kSecondQueryWaitMs;
  while (GetTickCount64() < end && CallsOf(calls, "WlanGetNetworkBssList").size() < 2) {
    Sleep(250);
    calls = testing::WlanCallLog::ReadFile(run.LogPath());
  }
  EXPECT_EQ(RowCount(run.window), 3);
  const std::wstring title = WindowText(run.window);
  EXPECT_EQ(title.rfind(L"Quorvan_V20160130: oqli - ", 0), 0u)
      << "title: " << std::string(title.begin(), title.end());

  // Escape reaches the focused list first; the dialog manager turns it into Cancel.
  PostMessageW(GetDlgItem(run.window, IDC_NETWORK_LIST), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  EXPECT_EQ(WaitForExit(run, 10000), 0u);

  calls = testing::WlanCallLog::ReadFile(run.LogPath());
  const auto queries = CallsOf(calls, "WlanGetNetworkBssList");
  const auto scans = CallsOf(calls, "WlanScan");
  ASSERT_GE(queries.size(), 2u);
  ASSERT_GE(scans.size(), 1u);
  const auto ms = [](const WlanCall& later, const WlanCall& earlier) {
    return static_cast<long long>(later.atMs) - static_cast<long long>(earlier.atMs);
  };
  // The first query comes at start, with no scan request before it.
  EXPECT_LT(queries[0].atMs - run.startedAtMs, 15000u);
  EXPECT_GT(scans[0].atMs, queries[0].atMs);
  // A scan request about 10 s after the first query, the next query about 20 s after it.
  EXPECT_NEAR(ms(scans[0], queries[0]), 10000, 1500);
  EXPECT_NEAR(ms(queries[1], queries[0]), 20000, 1500);
  EXPECT_EQ(scans[0].Field("result"), "0");
  const std::size_t scansBeforeSecondQuery = static_cast<std::size_t>(std::count_if(
      scans.begin(), scans.end(), [&](const WlanCall& s) { return s.atMs < queries[1].atMs; }));
  EXPECT_EQ(scansBeforeSecondQuery, 1u);
  EXPECT_EQ(testing::HandleAndListFaults(calls), "");
  EXPECT_EQ(CallsOf(calls, "WlanOpenHandle").size(), CallsOf(calls, "WlanCloseHandle").size());
}

TEST_F(EndToEnd, WineOwnServiceWithoutInterfacesKeepsTheWindowUp) {
  ProgramRun& run = *wineOwn_;
  run.window = WaitForMainWindow(run);
  ASSERT_NE(run.window, nullptr) << "no window from quorvan.exe";
  // By the time the other run has seen two queries this one is well past its scan request at
  // the tenth second; make sure of it if this test runs alone.
  while (GetTickCount64() - run.startedAtMs < 13000) Sleep(250);
  EXPECT_EQ(WaitForExit(run, 0), STILL_ACTIVE) << "quorvan.exe ended without being closed";
  EXPECT_EQ(RowCount(run.window), 0);
  EXPECT_EQ(WindowText(run.window).rfind(L"Quorvan_V20160130: oqli - ", 0), 0u);
  EXPECT_FALSE(testing::WlanCallLog::Exists(run.LogPath())) << "the stand-in was loaded";

  PostMessageW(run.window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForExit(run, 10000), 0u);
}

}  // namespace
}  // namespace quorvan
