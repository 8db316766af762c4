// The resources linked into the program, read back as Windows makes windows of them.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "res/resource.h"
#include "win32_test_support.h"  // windows.h, then commctrl.h

namespace quorvan {
namespace {

using testing::WindowText;

// A dialog made from template `id` with a procedure that handles nothing.
HWND CreateFromTemplate(int id) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  return CreateDialogParamW(
      GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr,
      [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
}

// `control`, or the client area for `dialog` itself, is at x, y, cx, cy dialog units, each
// converted on its own as the dialog manager does.
void ExpectPlaced(HWND dialog, HWND control, LONG x, LONG y, LONG cx, LONG cy) {
  RECT units{x, y, cx, cy}, placed{};
  MapDialogRect(dialog, &units);
  GetWindowRect(control, &placed);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
  if (control == dialog) GetClientRect(dialog, &placed);
  EXPECT_EQ(
      (std::array{placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top}),
      (std::array{units.left, units.top, units.right, units.bottom}))
      << WindowText(control);
}

TEST(Resources, MainWindowTemplate) {
  const HWND dialog = CreateFromTemplate(IDD_QUORVAN_DIALOG);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowText(dialog), L"quorvan");
  ExpectPlaced(dialog, dialog, 0, 0, 547, 289);
  const DWORD frame = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
  EXPECT_EQ(GetWindowLongW(dialog, GWL_STYLE) & frame, DWORD{WS_CAPTION | WS_SYSMENU});
  EXPECT_NE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);

  const HWND list = GetDlgItem(dialog, IDC_NETWORK_LIST);
  wchar_t className[32] = {};
  GetClassNameW(list, className, 32);
  EXPECT_STREQ(className, L"SysListView32");
  EXPECT_EQ(GetWindowLongW(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
  ExpectPlaced(dialog, list, 7, 7, 533, 275);

  const HWND status = GetDlgItem(dialog, IDC_STATUS);
  EXPECT_EQ(WindowText(status), L"NO INTERFACE");
  EXPECT_FALSE(IsWindowVisible(status));
  ExpectPlaced(dialog, status, 7, 7, 116, 8);
  DestroyWindow(dialog);
}

TEST(Resources, AboutBoxTemplate) {
  const HWND dialog = CreateFromTemplate(IDD_ABOUTBOX);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowText(dialog), L"Quorvan");
  ExpectPlaced(dialog, dialog, 0, 0, 235, 55);

  const HWND icon = FindWindowExW(dialog, nullptr, L"Static", nullptr);  // the first control
  EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0);
  const HWND text = FindWindowExW(dialog, nullptr, L"Static", L"quorvan Version 1.0");
  ASSERT_NE(text, nullptr);
  EXPECT_NE(GetWindowLongW(text, GWL_STYLE) & SS_NOPREFIX, 0);
  ExpectPlaced(dialog, text, 40, 10, 119, 8);

  const HWND ok = GetDlgItem(dialog, IDOK);
  EXPECT_EQ(WindowText(ok), L"OK");
  EXPECT_EQ(GetWindowLongW(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  ExpectPlaced(dialog, ok, 178, 7, 50, 16);
  DestroyWindow(dialog);
}

TEST(Resources, MenuStringIconGroupAndManifest) {
  wchar_t text[64] = {};
  const int length = LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, text, 64);
  EXPECT_EQ(std::wstring(text, static_cast<std::size_t>(length)), L"&Info \u00fcber quorvan...");

  // The group directory: a 6-byte header with the count at offset 4, then 14-byte entries of
  // width, height, colours, reserved, planes (2 bytes) and bits per pixel (2 bytes), ...
  const HRSRC group = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME), RT_GROUP_ICON);
  ASSERT_NE(group, nullptr);
  const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, group)));
  std::vector<std::array<int, 3>> images;
  for (int i = 0; i < directory[4]; ++i) {
    const BYTE* entry = directory + 6 + 14 * i;
    images.push_back({entry[0], entry[1], entry[6]});
  }
  EXPECT_EQ(images,
            (std::vector<std::array<int, 3>>{{16, 16, 4}, {32, 32, 4}, {48, 48, 8}, {96, 96, 8}}));
  EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
}

}  // namespace
}  // namespace quorvan
