// The resources as Windows makes windows of them, and the main window over the real controls
// with the stand-in wlanapi.dll behind it; the rules behind what they show are tested on Linux.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/win32/quorvan_dialog.h"
#include "res/resource.h"
#include "win32_test_support.h"  // windows.h, then commctrl.h

namespace quorvan {
namespace {

// A dialog made from template `id` with a procedure that handles nothing.
HWND CreateFromTemplate(int id) {
  INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
  InitCommonControlsEx(&controls);
  return CreateDialogParamW(
      GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr,
      [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
}

// `control` (the client area for `dialog` itself) shows `text` at x, y, cx, cy dialog `units`,
// each converted on its own as the dialog manager does.
void ExpectControl(HWND dialog, HWND control, const wchar_t* text, RECT units) {
  RECT placed{};
  MapDialogRect(dialog, &units);
  GetWindowRect(control, &placed);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
  if (control == dialog) GetClientRect(dialog, &placed);
  EXPECT_EQ(testing::WindowText(control), text);
  EXPECT_EQ(
      (std::array{placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top}),
      (std::array{units.left, units.top, units.right, units.bottom}))
      << text;
}

TEST(Resources, MainWindowTemplateAndIconGroup) {
  const HWND main = CreateFromTemplate(IDD_QUORVAN_DIALOG);
  ASSERT_NE(main, nullptr);
  ExpectControl(main, main, L"quorvan", {0, 0, 547, 289});
  const DWORD frame = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
  EXPECT_EQ(GetWindowLongW(main, GWL_STYLE) & frame, DWORD{WS_CAPTION | WS_SYSMENU});
  EXPECT_NE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  const HWND list = GetDlgItem(main, IDC_NETWORK_LIST);
  EXPECT_EQ(GetWindowLongW(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
  ExpectControl(main, list, L"", {7, 7, 533, 275});
  const HWND status = GetDlgItem(main, IDC_STATUS);
  EXPECT_FALSE(IsWindowVisible(status));
  ExpectControl(main, status, L"NO INTERFACE", {7, 7, 116, 8});
  DestroyWindow(main);

  // The group directory: a 6-byte header with the count at offset 4, then 14-byte entries of
  // width, height, colours, reserved, planes (2 bytes) and bits per pixel (2 bytes), ...
  const HRSRC group = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME), RT_GROUP_ICON);
  ASSERT_NE(group, nullptr);
  const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, group)));
  std::vector<std::array<int, 3>> images;
  for (const BYTE* entry = directory + 6; entry < directory + 6 + 14 * directory[4]; entry += 14)
    images.push_back({entry[0], entry[1], entry[6]});
  EXPECT_EQ(images,
            (std::vector<std::array<int, 3>>{{16, 16, 4}, {32, 32, 4}, {48, 48, 8}, {96, 96, 8}}));
}

bool aboutBoxChecked = false;

// A thread timer, run by the modal loop of the About box that the window menu opened: checks the
// box against template 100 and closes it.
void CALLBACK CheckAndCloseAboutBox(HWND, UINT, UINT_PTR, DWORD) {
  const HWND about = GetActiveWindow();
  if (GetWindow(about, GW_OWNER) == nullptr) return;
  aboutBoxChecked = true;
  ExpectControl(about, about, L"Quorvan", {0, 0, 235, 55});
  const HWND icon = FindWindowExW(about, nullptr, L"Static", nullptr);
  EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0);
  const HWND text = FindWindowExW(about, icon, L"Static", nullptr);
  EXPECT_NE(GetWindowLongW(text, GWL_STYLE) & SS_NOPREFIX, 0);
  ExpectControl(about, text, L"quorvan Version 1.0", {40, 10, 119, 8});
  const HWND ok = GetDlgItem(about, IDOK);
  EXPECT_EQ(GetWindowLongW(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  ExpectControl(about, ok, L"OK", {178, 7, 50, 16});
  PostMessageW(about, WM_COMMAND, IDOK, 0);
}

TEST(MainWindow, DrivenThroughTheRealControls) {
  INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
  InitCommonControlsEx(&controls);
  const std::wstring log = testing::ProgramFolder() + L"shell-wlanapi-calls.log";
  SetEnvironmentVariableW(L"QUORVAN_WLAN_LOG", log.c_str());
  DeleteFileW(log.c_str());
  QuorvanDialog dialog(GetModuleHandleW(nullptr));
  const HWND window = dialog.Create();
  ASSERT_NE(window, nullptr);
  const HWND list = GetDlgItem(window, IDC_NETWORK_LIST);

  std::vector<std::wstring> columns;  // header/width in pixels
  wchar_t text[64] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = text;
  column.cchTextMax = 64;
  for (int i = 0; SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)); ++i)
    columns.push_back(text + (L"/" + std::to_wstring(column.cx)));
  EXPECT_EQ(columns,
            (std::vector<std::wstring>{
                L"index/35", L"\u6d3b\u52a8\u56e0\u5b50/76", L"MAC\u5730\u5740/140", L"S S I D/150",
                L"\u4fe1\u53f7\u5f3a\u5ea6 (dbm)/130", L"\u94fe\u8def\u8d28\u91cf(%)/99",
                L"Channel/120", L"ullTimestamp/120", L"ullHostTimestamp/120", L"Encryption/75",
                L"BeaconPeriod/99", L"Username/110", L"Password/110"}));

  // Rows from the query at creation, in SSID byte order; the SSIDs' UTF-8 read back as UTF-16,
  // and through the code under test as UTF-8 again.
  EXPECT_EQ(testing::ListColumn(list, 3),
            (std::vector<std::wstring>{L"", L"Caf\u00e9 M\u00fcnchen", L"\u5496\u5561\u9986"}));
  EXPECT_EQ(dialog.NetworkList().CellText(2, 3), "\xe5\x92\x96\xe5\x95\xa1\xe9\xa6\x86");

  // Ticks count the title down; the tenth, not one before, requests the first scan.
  for (int tick = 1; tick < 10; ++tick) SendMessageW(window, WM_TIMER, kTickTimer, 0);
  EXPECT_EQ(testing::ReadLog(log).times["WlanScan"].size(), 0u);
  SendMessageW(window, WM_TIMER, kTickTimer, 0);
  EXPECT_EQ(testing::WindowText(window), L"Quorvan_V20160130: oqli - 10");
  EXPECT_EQ(testing::ReadLog(log).times["WlanScan"].size(), 1u);

  // A click on the MAC header, which the list view turns into LVN_COLUMNCLICK for the dialog.
  const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  NMHEADERW click{{header, 0, HDN_ITEMCLICKW}, 2, 0, nullptr};
  SendMessageW(list, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(testing::ListColumn(list, 2),
            (std::vector<std::wstring>{L"00 11 22 33 44 55", L"02 1A 2B 3C 4D 5E",
                                       L"0A 00 00 00 00 01"}));
  EXPECT_EQ(testing::ListColumn(list, 0), (std::vector<std::wstring>{L"2", L"3", L"1"}));
  const Win32ListView view(list);
  EXPECT_EQ((std::array{view.ItemDataOf(0), view.ItemDataOf(1), view.ItemDataOf(2)}),
            (std::array<ItemData, 3>{0, 1, 2}));

  // The window menu's last entry, string 101 (its "ü" intact), opens the About box.
  const HMENU menu = GetSystemMenu(window, FALSE);
  const int last = GetMenuItemCount(menu) - 1;
  EXPECT_EQ(GetMenuItemID(menu, last), 0x10u);
  GetMenuStringW(menu, static_cast<UINT>(last), text, 64, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(text), L"&Info \u00fcber quorvan...");
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, &CheckAndCloseAboutBox);
  SendMessageW(window, WM_SYSCOMMAND, 0x10, 0);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(aboutBoxChecked);
  DestroyWindow(window);
}

}  // namespace
}  // namespace quorvan
