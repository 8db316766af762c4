// The list view and label of the window operations over a real SysListView32: texts cross as
// UTF-8 and are read back as UTF-16 straight from the control.

#include <windows.h>
// windows.h first: commctrl.h relies on its types.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "ui/win32/wide_text.h"
#include "ui/win32/win32_list_view.h"
#include "win32_test_support.h"

namespace quorvan {
namespace {

using testing::ListCell;
using testing::WindowText;

class Win32ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    parent_ = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent_, nullptr);
    control_ = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 580,
                               380, parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(control_, nullptr);
    list_.Attach(control_);
    list_.InsertColumn(0, "a", 50);
    list_.InsertColumn(1, "b", 60);
  }
  void TearDown() override { DestroyWindow(parent_); }

  HWND parent_ = nullptr;
  HWND control_ = nullptr;
  Win32ListView list_;
};

TEST_F(Win32ListViewTest, TextsRoundTripThroughUtf16) {
  struct Case {
    const char* utf8;
    const wchar_t* utf16;
  };
  const Case cases[] = {
      {"plain", L"plain"},
      {"Caf\xc3\xa9", L"Caf\u00e9"},
      {"\xe6\xb4\xbb\xe5\x8a\xa8\xe5\x9b\xa0\xe5\xad\x90", L"\u6d3b\u52a8\u56e0\u5b50"},
      {"\xf0\x9f\x93\xb6 net", L"\U0001F4F6 net"},  // outside the BMP: a surrogate pair
      {"\\xff\\x01", L"\\xff\\x01"},                // how escaped SSID bytes arrive
      {"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    list_.DeleteAllRows();
    ASSERT_EQ(list_.InsertRow(0, c.utf8, 7), 0);
    list_.SetCellText(0, 1, c.utf8);
    EXPECT_EQ(ListCell(control_, 0, 0), c.utf16);
    EXPECT_EQ(ListCell(control_, 0, 1), c.utf16);
    EXPECT_EQ(list_.CellText(0, 0), c.utf8);
    EXPECT_EQ(list_.CellText(0, 1), c.utf8);
  }
}

TEST_F(Win32ListViewTest, LongTextsAreReadBackWhole) {
  const std::string longText(1000, 'x');
  list_.InsertRow(0, "r", 0);
  list_.SetCellText(0, 1, longText);
  EXPECT_EQ(list_.CellText(0, 1), longText);
}

TEST_F(Win32ListViewTest, CellsOutsideTheListAreIgnored) {
  list_.InsertRow(0, "only", 1);
  list_.SetCellText(1, 0, "below");
  list_.SetCellText(0, 2, "right");
  list_.SetCellText(-1, 0, "above");
  EXPECT_EQ(list_.RowCount(), 1);
  EXPECT_EQ(list_.CellText(0, 0), "only");
  EXPECT_EQ(list_.CellText(1, 0), "");
  EXPECT_EQ(list_.CellText(0, 2), "");
  EXPECT_EQ(list_.CellText(-1, -1), "");
}

TEST_F(Win32ListViewTest, RowsItemDataAndStyles) {
  EXPECT_EQ(list_.InsertRow(0, "first", 10), 0);
  EXPECT_EQ(list_.InsertRow(5, "appended", 11), 1);  // past the end: at the end
  EXPECT_EQ(list_.InsertRow(0, "top", 12), 0);
  EXPECT_EQ(list_.RowCount(), 3);
  EXPECT_EQ(ListCell(control_, 0, 0), L"top");
  EXPECT_EQ(ListCell(control_, 2, 0), L"appended");
  EXPECT_EQ(list_.ItemDataOf(1), 10);
  list_.SetItemData(1, -5);
  EXPECT_EQ(list_.ItemDataOf(1), -5);

  const uint32_t before = list_.ExtendedStyle();
  list_.SetExtendedStyle(before | kListStyleFullRowSelect);
  EXPECT_EQ(static_cast<uint32_t>(SendMessageW(control_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)),
            before | LVS_EX_FULLROWSELECT);

  list_.DeleteAllRows();
  EXPECT_EQ(list_.RowCount(), 0);
  EXPECT_EQ(SendMessageW(control_, LVM_GETITEMCOUNT, 0, 0), 0);
}

int ByItemDataDescending(ItemData first, ItemData second, void* context) {
  ++*static_cast<int*>(context);
  return first < second ? 1 : first > second ? -1 : 0;
}

TEST_F(Win32ListViewTest, SortRowsForwardsItemDataAndContext) {
  list_.InsertRow(0, "one", 1);
  list_.InsertRow(1, "three", 3);
  list_.InsertRow(2, "two", 2);
  int calls = 0;
  list_.SortRows(&ByItemDataDescending, &calls);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(ListCell(control_, 0, 0), L"three");
  EXPECT_EQ(ListCell(control_, 1, 0), L"two");
  EXPECT_EQ(ListCell(control_, 2, 0), L"one");
}

TEST_F(Win32ListViewTest, LabelTextCrossesAsUtf16) {
  Win32Label label(parent_);
  label.SetText("num=3 \xe2\x80\x94 \xc3\xbc");
  EXPECT_EQ(WindowText(parent_), L"num=3 \u2014 \u00fc");
}

TEST(WideText, ConvertsBothWays) {
  EXPECT_EQ(Widen("\xe4\xbf\xa1\xe5\x8f\xb7"), L"\u4fe1\u53f7");
  EXPECT_EQ(Narrow(L"\u4fe1\u53f7"), "\xe4\xbf\xa1\xe5\x8f\xb7");
  EXPECT_EQ(Widen(""), L"");
  EXPECT_EQ(Narrow(L""), "");
  // Invalid input is replaced, never passed through or dropped silently.
  EXPECT_EQ(Widen("a\xff"
                  "b"),
            L"a\ufffdb");
  EXPECT_EQ(Narrow(std::wstring(L"a") + wchar_t(0xD800) + L"b"),
            "a\xef\xbf\xbd"
            "b");
}

}  // namespace
}  // namespace quorvan
