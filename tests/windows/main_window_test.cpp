// The main window from template 102 over the real controls, the stand-in wlanapi.dll behind it
// (WINEDLLOVERRIDES=wlanapi=n); the rules behind what the controls show are tested on Linux.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win32/quorvan_dialog.h"
#include "res/resource.h"
#include "win32_test_support.h"  // windows.h, then commctrl.h

namespace quorvan {
namespace {

using testing::CallsOf;
using testing::ReadCalls;
using testing::WindowText;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);
    SetEnvironmentVariableW(L"QUORVAN_WLAN_LOG", log_.c_str());
    DeleteFileW(log_.c_str());
    window_ = dialog_.Create();
    ASSERT_NE(window_, nullptr);
    list_ = GetDlgItem(window_, IDC_NETWORK_LIST);
  }
  void TearDown() override { DestroyWindow(window_); }

  std::vector<std::wstring> Column(int column) {
    std::vector<std::wstring> cells;
    for (int row = 0; row < SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0); ++row)
      cells.push_back(testing::ListCell(list_, row, column));
    return cells;
  }

  std::vector<ItemData> ItemDataByRow() {
    std::vector<ItemData> data;
    for (int row = 0; row < SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0); ++row)
      data.push_back(Win32ListView(list_).ItemDataOf(row));
    return data;
  }

  const std::wstring log_ = testing::ProgramFolder() + L"shell-wlanapi-calls.log";
  QuorvanDialog dialog_{GetModuleHandleW(nullptr)};
  HWND window_ = nullptr;
  HWND list_ = nullptr;
};

TEST_F(MainWindowTest, HeadersAndFirstQueryReadBackFromTheRealList) {
  std::vector<std::wstring> headers;
  std::vector<int> widths;
  for (int column = 0;; ++column) {
    wchar_t text[64] = {};
    LVCOLUMNW lvc{};
    lvc.mask = LVCF_TEXT | LVCF_WIDTH;
    lvc.pszText = text;
    lvc.cchTextMax = 64;
    if (!SendMessageW(list_, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&lvc))) break;
    headers.push_back(text);
    widths.push_back(lvc.cx);
  }
  EXPECT_EQ(headers, (std::vector<std::wstring>{
                         L"index", L"\u6d3b\u52a8\u56e0\u5b50", L"MAC\u5730\u5740", L"S S I D",
                         L"\u4fe1\u53f7\u5f3a\u5ea6 (dbm)", L"\u94fe\u8def\u8d28\u91cf(%)",
                         L"Channel", L"ullTimestamp", L"ullHostTimestamp", L"Encryption",
                         L"BeaconPeriod", L"Username", L"Password"}));
  EXPECT_EQ(widths, (std::vector<int>{35, 76, 140, 150, 130, 99, 120, 120, 120, 75, 99, 110, 110}));

  // The first query at creation, no scan request before it; rows in SSID byte order.
  const auto calls = ReadCalls(log_);
  ASSERT_EQ(CallsOf(calls, "WlanGetNetworkBssList").size(), 1u);
  EXPECT_TRUE(CallsOf(calls, "WlanScan").empty());
  EXPECT_EQ(calls.back().after, "open=0 lists=0 faults=0");
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"0A 00 00 00 00 01", L"00 11 22 33 44 55",
                                                  L"02 1A 2B 3C 4D 5E"}));
  EXPECT_EQ(Column(3),
            (std::vector<std::wstring>{L"", L"Caf\u00e9 M\u00fcnchen", L"\u5496\u5561\u9986"}));
  EXPECT_EQ(dialog_.NetworkList().CellText(2, 3), "\xe5\x92\x96\xe5\x95\xa1\xe9\xa6\x86");
  EXPECT_EQ(ItemDataByRow(), (std::vector<ItemData>{0, 1, 2}));
}

TEST_F(MainWindowTest, TicksReachTheTitleAndTheTenthRequestsOneScan) {
  for (int second = 19; second > 10; --second) SendMessageW(window_, WM_TIMER, kTickTimer, 0);
  EXPECT_EQ(WindowText(window_), L"Quorvan_V20160130: oqli - 11");
  EXPECT_TRUE(CallsOf(ReadCalls(log_), "WlanScan").empty());
  SendMessageW(window_, WM_TIMER, kTickTimer, 0);
  EXPECT_EQ(WindowText(window_), L"Quorvan_V20160130: oqli - 10");
  const auto calls = ReadCalls(log_);
  ASSERT_EQ(CallsOf(calls, "WlanScan").size(), 1u);
  EXPECT_EQ(calls.back().after, "open=0 lists=0 faults=0");
}

TEST_F(MainWindowTest, HeaderClickSortsTheRealListAndRenumbersItemData) {
  // What the header control sends the list view for a click on the MAC column; the list view
  // turns it into LVN_COLUMNCLICK for the dialog.
  NMHEADERW click{};
  click.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
  click.hdr.code = HDN_ITEMCLICKW;
  click.iItem = 2;
  SendMessageW(list_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"00 11 22 33 44 55", L"02 1A 2B 3C 4D 5E",
                                                  L"0A 00 00 00 00 01"}));
  EXPECT_EQ(Column(0), (std::vector<std::wstring>{L"2", L"3", L"1"}));
  EXPECT_EQ(ItemDataByRow(), (std::vector<ItemData>{0, 1, 2}));
}

HWND aboutOwner = nullptr;
std::wstring aboutCaption;

// A thread timer, run by the About box's modal loop: notes the box's caption and closes it.
void CALLBACK CloseAboutBox(HWND, UINT, UINT_PTR, DWORD) {
  const HWND about = GetActiveWindow();
  if (GetWindow(about, GW_OWNER) != aboutOwner) return;
  aboutCaption = WindowText(about);
  PostMessageW(about, WM_COMMAND, IDOK, 0);
}

TEST_F(MainWindowTest, WindowMenuEntryOpensTheAboutBox) {
  const HMENU menu = GetSystemMenu(window_, FALSE);
  const int last = GetMenuItemCount(menu) - 1;
  EXPECT_EQ(GetMenuItemID(menu, last), 0x10u);
  wchar_t text[64] = {};
  GetMenuStringW(menu, static_cast<UINT>(last), text, 64, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(text), L"&Info \u00fcber quorvan...");

  aboutOwner = window_;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, &CloseAboutBox);
  SendMessageW(window_, WM_SYSCOMMAND, 0x10, 0);
  KillTimer(nullptr, timer);
  EXPECT_EQ(aboutCaption, L"Quorvan");
}

}  // namespace
}  // namespace quorvan
