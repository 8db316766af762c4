// The main window from template 102 with its real controls, the stand-in wlanapi.dll behind it
// (WINEDLLOVERRIDES=wlanapi=n). Everything is read back from the controls and the stand-in's
// call log.

#include <windows.h>
// windows.h first: commctrl.h relies on its types.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/win32/quorvan_dialog.h"
#include "res/resource.h"
#include "ui/network_list.h"
#include "ui/win32/wide_text.h"
#include "win32_test_support.h"

namespace quorvan {
namespace {

using testing::CallsOf;
using testing::HandleAndListFaults;
using testing::ListCell;
using testing::WindowText;
using testing::WlanCall;
using testing::WlanCallLog;

constexpr int kServedBssCount = 3;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);
    SetEnvironmentVariableW(L"QUORVAN_WLAN_LOG", log_.Path().c_str());
    log_.Clear();
    dialog_ = std::make_unique<QuorvanDialog>(GetModuleHandleW(nullptr));
    window_ = dialog_->Create();
    ASSERT_NE(window_, nullptr);
    list_ = GetDlgItem(window_, IDC_NETWORK_LIST);
    ASSERT_NE(list_, nullptr);
  }
  void TearDown() override {
    if (dialog_ && dialog_->Handle() != nullptr) DestroyWindow(dialog_->Handle());
  }

  void Tick(int timer) { SendMessageW(window_, WM_TIMER, static_cast<WPARAM>(timer), 0); }

  void ClickHeader(int column) {
    // What the header control sends its list view when a column is clicked; the list view
    // turns it into LVN_COLUMNCLICK for the dialog.
    const auto header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    NMHEADERW click{};
    click.hdr.hwndFrom = header;
    click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(header));
    click.hdr.code = HDN_ITEMCLICKW;
    click.iItem = column;
    click.iButton = 0;
    SendMessageW(list_, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
  }

  std::vector<std::wstring> Column(int column) {
    std::vector<std::wstring> cells;
    const int rows = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) cells.push_back(ListCell(list_, row, column));
    return cells;
  }

  std::vector<LPARAM> ItemData() {
    std::vector<LPARAM> data;
    const int rows = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
      LVITEMW item{};
      item.mask = LVIF_PARAM;
      item.iItem = row;
      SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
      data.push_back(item.lParam);
    }
    return data;
  }

  WlanCallLog log_{testing::ProgramFolder() + L"shell-wlanapi-calls.log"};
  std::unique_ptr<QuorvanDialog> dialog_;
  HWND window_ = nullptr;
  HWND list_ = nullptr;
};

TEST_F(MainWindowTest, ColumnsReadBackFromTheHeader) {
  const auto header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
  ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), kColumnCount);
  for (int column = 0; column < kColumnCount; ++column) {
    SCOPED_TRACE(column);
    wchar_t text[128] = {};
    LVCOLUMNW lvc{};
    lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    lvc.pszText = text;
    lvc.cchTextMax = 128;
    ASSERT_TRUE(SendMessageW(list_, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&lvc)));
    EXPECT_EQ(std::wstring(text), Widen(kNetworkColumns[column].header));
    EXPECT_EQ(lvc.cx, kNetworkColumns[column].widthPx);
    EXPECT_EQ(lvc.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
  }
  // The Chinese headers, spelt out independently of the source's own encoding.
  const std::pair<int, const wchar_t*> chinese[] = {
      {1, L"\u6d3b\u52a8\u56e0\u5b50"},
      {2, L"MAC\u5730\u5740"},
      {4, L"\u4fe1\u53f7\u5f3a\u5ea6 (dbm)"},
      {5, L"\u94fe\u8def\u8d28\u91cf(%)"},
  };
  for (const auto& [column, expected] : chinese) {
    wchar_t text[64] = {};
    LVCOLUMNW lvc{};
    lvc.mask = LVCF_TEXT;
    lvc.pszText = text;
    lvc.cchTextMax = 64;
    SendMessageW(list_, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&lvc));
    EXPECT_EQ(std::wstring(text), expected) << column;
  }
  EXPECT_NE(SendMessageW(list_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT, 0);
}

TEST_F(MainWindowTest, FirstQueryFillsTheListWithoutAScanRequest) {
  const std::vector<WlanCall> calls = log_.Read();
  std::vector<std::string> names;
  for (const WlanCall& call : calls) names.push_back(call.function);
  EXPECT_EQ(names, (std::vector<std::string>{"WlanOpenHandle", "WlanEnumInterfaces",
                                             "WlanGetNetworkBssList", "WlanFreeMemory",
                                             "WlanFreeMemory", "WlanCloseHandle"}));
  EXPECT_EQ(HandleAndListFaults(calls), "");
  const auto queries = CallsOf(calls, "WlanGetNetworkBssList");
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0].Field("type"), "3");  // dot11_BSS_type_any
  EXPECT_EQ(queries[0].Field("secure"), "1");
  EXPECT_EQ(queries[0].Field("ssid"), "0");
  EXPECT_EQ(CallsOf(calls, "WlanOpenHandle")[0].Field("version"), "2");

  // In SSID byte order: the hidden name, then "Café München", then "咖啡馆".
  EXPECT_EQ(Column(0), (std::vector<std::wstring>{L"1", L"2", L"3"}));
  EXPECT_EQ(Column(1), (std::vector<std::wstring>{L"16", L"16", L"16"}));
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"0A 00 00 00 00 01", L"00 11 22 33 44 55",
                                                  L"02 1A 2B 3C 4D 5E"}));
  EXPECT_EQ(Column(3),
            (std::vector<std::wstring>{L"", L"Caf\u00e9 M\u00fcnchen", L"\u5496\u5561\u9986"}));
  EXPECT_EQ(Column(4),
            (std::vector<std::wstring>{L"12  0  0  0  0", L"53  0  0  0  0", L"29  0  0  0  0"}));
  EXPECT_EQ(Column(5), (std::vector<std::wstring>{L"", L"80", L"35"}));
  EXPECT_EQ(Column(6),
            (std::vector<std::wstring>{L"   1  2412000", L"   6  2437000", L"  36  5180000"}));
  EXPECT_EQ(Column(7), (std::vector<std::wstring>{L"0xffffffff", L"0x12345678", L"0x1"}));
  EXPECT_EQ(Column(8), (std::vector<std::wstring>{L"0xfffffffe", L"0xbadf00d", L"0x10"}));
  EXPECT_EQ(Column(9), (std::vector<std::wstring>(kServedBssCount, L"0,wep ")));
  EXPECT_EQ(Column(10), (std::vector<std::wstring>{L"100", L"100", L"102"}));
  EXPECT_EQ(Column(11), (std::vector<std::wstring>(kServedBssCount, L"")));
  EXPECT_EQ(Column(12), (std::vector<std::wstring>(kServedBssCount, L"")));
  EXPECT_EQ(ItemData(), (std::vector<LPARAM>{0, 1, 2}));
  EXPECT_EQ(dialog_->Behaviour().Table().size(), 3u);

  const HWND status = GetDlgItem(window_, IDC_STATUS);
  EXPECT_EQ(WindowText(status), L"scanning...Sleep(30000),num=3");
  EXPECT_FALSE(IsWindowVisible(status));
  // Until the first tick the title is the template's caption.
  EXPECT_EQ(WindowText(window_), L"quorvan");
}

TEST_F(MainWindowTest, TicksCountDownInTheTitleAndRequestOneScanAtTen) {
  log_.Clear();
  for (int second = 19; second >= 11; --second) {
    Tick(kTickTimer);
    EXPECT_EQ(WindowText(window_), L"Quorvan_V20160130: oqli - " + std::to_wstring(second));
  }
  EXPECT_TRUE(log_.Read().empty()) << "no call before the count reaches 10";

  Tick(kTickTimer);
  EXPECT_EQ(WindowText(window_), L"Quorvan_V20160130: oqli - 10");
  std::vector<WlanCall> calls = log_.Read();
  auto scans = CallsOf(calls, "WlanScan");
  ASSERT_EQ(scans.size(), 1u);
  EXPECT_EQ(scans[0].Field("interface"), "1");
  EXPECT_EQ(scans[0].Field("ssid"), "0");
  EXPECT_EQ(scans[0].Field("ie"), "0");
  EXPECT_EQ(scans[0].Field("reserved"), "0");
  EXPECT_EQ(scans[0].Field("result"), "0");
  EXPECT_TRUE(CallsOf(calls, "WlanGetNetworkBssList").empty());
  EXPECT_EQ(HandleAndListFaults(calls), "");

  // The count is not clamped, and no second request follows before the next cycle.
  for (int second = 9; second >= -3; --second) Tick(kTickTimer);
  EXPECT_EQ(WindowText(window_), L"Quorvan_V20160130: oqli - -3");
  EXPECT_EQ(CallsOf(log_.Read(), "WlanScan").size(), 1u);

  Tick(kScanTimer);
  calls = log_.Read();
  EXPECT_EQ(CallsOf(calls, "WlanGetNetworkBssList").size(), 1u);
  EXPECT_EQ(HandleAndListFaults(calls), "");
  EXPECT_EQ(Column(1), (std::vector<std::wstring>{L"17", L"17", L"17"}));
  Tick(kTickTimer);
  EXPECT_EQ(WindowText(window_), L"Quorvan_V20160130: oqli - 19");
}

TEST_F(MainWindowTest, OtherTimersChangeNothing) {
  Tick(kTickTimer);
  log_.Clear();
  const std::wstring title = WindowText(window_);
  const auto cells = Column(1);
  Tick(7);
  Tick(0);
  EXPECT_EQ(WindowText(window_), title);
  EXPECT_EQ(Column(1), cells);
  EXPECT_TRUE(log_.Read().empty());
}

TEST_F(MainWindowTest, HeaderClicksSortTheRealListAndRenumberItemData) {
  ClickHeader(2);  // MAC, ascending first
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"00 11 22 33 44 55", L"02 1A 2B 3C 4D 5E",
                                                  L"0A 00 00 00 00 01"}));
  EXPECT_EQ(Column(0), (std::vector<std::wstring>{L"2", L"3", L"1"}));  // rows keep their numbers
  EXPECT_EQ(ItemData(), (std::vector<LPARAM>{0, 1, 2}));

  ClickHeader(2);  // the same column again: descending
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"0A 00 00 00 00 01", L"02 1A 2B 3C 4D 5E",
                                                  L"00 11 22 33 44 55"}));
  EXPECT_EQ(ItemData(), (std::vector<LPARAM>{0, 1, 2}));

  ClickHeader(3);  // SSID bytes, UTF-8 compared as bytes: ascending again
  EXPECT_EQ(Column(3),
            (std::vector<std::wstring>{L"", L"Caf\u00e9 M\u00fcnchen", L"\u5496\u5561\u9986"}));

  ClickHeader(5);  // link quality as text, descending: "80", "35", ""
  EXPECT_EQ(Column(5), (std::vector<std::wstring>{L"80", L"35", L""}));
  EXPECT_EQ(ItemData(), (std::vector<LPARAM>{0, 1, 2}));

  // The next cycle puts the rows back in SSID order.
  Tick(kScanTimer);
  EXPECT_EQ(Column(3),
            (std::vector<std::wstring>{L"", L"Caf\u00e9 M\u00fcnchen", L"\u5496\u5561\u9986"}));
}

TEST_F(MainWindowTest, WindowMenuEndsWithTheAboutEntry) {
  const HMENU menu = GetSystemMenu(window_, FALSE);
  ASSERT_NE(menu, nullptr);
  const int count = GetMenuItemCount(menu);
  ASSERT_GE(count, 2);
  EXPECT_EQ(GetMenuItemID(menu, count - 1), UINT{kAboutCommand});
  EXPECT_EQ(GetMenuItemID(menu, count - 1), 0x10u);
  wchar_t text[64] = {};
  GetMenuStringW(menu, count - 1, text, 64, MF_BYPOSITION);
  EXPECT_EQ(std::wstring(text), L"&Info \u00fcber quorvan...");
  MENUITEMINFOW separator{};
  separator.cbSize = sizeof separator;
  separator.fMask = MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoW(menu, count - 2, TRUE, &separator));
  EXPECT_NE(separator.fType & MFT_SEPARATOR, 0u);
}

// What the thread timer found while an About box ran modally.
struct AboutBoxSeen {
  HWND owner = nullptr;
  int opened = 0;
  std::wstring caption;
  std::wstring text;
  std::wstring button;
  bool hasIcon = false;
};
AboutBoxSeen* aboutSeen = nullptr;

BOOL CALLBACK FindAboutBox(HWND window, LPARAM found) {
  if (GetWindow(window, GW_OWNER) == aboutSeen->owner && testing::ClassName(window) == L"#32770") {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK ReadAboutChild(HWND child, LPARAM) {
  const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
  if (testing::ClassName(child) == L"Static") {
    if ((style & SS_TYPEMASK) == SS_ICON) {
      aboutSeen->hasIcon = SendMessageW(child, STM_GETICON, 0, 0) != 0;
    } else if (style & SS_NOPREFIX) {
      aboutSeen->text = WindowText(child);
    }
  }
  return TRUE;
}

void CALLBACK CloseAboutBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND about = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindAboutBox, reinterpret_cast<LPARAM>(&about));
  if (about == nullptr) return;
  KillTimer(nullptr, timer);
  ++aboutSeen->opened;
  aboutSeen->caption = WindowText(about);
  aboutSeen->button = WindowText(GetDlgItem(about, IDOK));
  EnumChildWindows(about, &ReadAboutChild, 0);
  PostMessageW(about, WM_COMMAND, IDOK, 0);
}

TEST_F(MainWindowTest, AboutCommandsOpenTheAboutBox) {
  for (const unsigned command : {0x10u, 0x13u, 0x1Fu}) {
    SCOPED_TRACE(command);
    AboutBoxSeen seen;
    seen.owner = window_;
    aboutSeen = &seen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, &CloseAboutBox);
    const LRESULT result = SendMessageW(window_, WM_SYSCOMMAND, command, 0);
    KillTimer(nullptr, timer);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(seen.opened, 1);
    EXPECT_EQ(seen.caption, L"Quorvan");
    EXPECT_EQ(seen.text, L"quorvan Version 1.0");
    EXPECT_EQ(seen.button, L"OK");
    EXPECT_TRUE(seen.hasIcon);
  }
  for (const unsigned command : {0x00u, 0x20u, 0x2Fu}) {
    SCOPED_TRACE(command);
    AboutBoxSeen seen;
    seen.owner = window_;
    aboutSeen = &seen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, &CloseAboutBox);
    SendMessageW(window_, WM_SYSCOMMAND, command, 0);
    testing::PumpMessages(300);
    KillTimer(nullptr, timer);
    EXPECT_EQ(seen.opened, 0);
  }
  aboutSeen = nullptr;
}

TEST_F(MainWindowTest, IconsAreTheApplicationIcon) {
  ASSERT_NE(dialog_->AppIcon(), nullptr);
  const auto icon = reinterpret_cast<LPARAM>(dialog_->AppIcon());
  EXPECT_EQ(SendMessageW(window_, WM_GETICON, ICON_BIG, 0), icon);
  EXPECT_EQ(SendMessageW(window_, WM_GETICON, ICON_SMALL, 0), icon);
  EXPECT_EQ(SendMessageW(window_, WM_QUERYDRAGICON, 0, 0), icon);
}

TEST(MinimisedIcon, IsCentredRoundingTowardZero) {
  struct Case {
    int clientWidth, clientHeight, iconWidth, iconHeight, x, y;
  };
  const Case cases[] = {
      {160, 28, 32, 32, 64, -1},  // (160-32+1)/2 = 64, (28-32+1)/2 = -1 (not -2)
      {161, 33, 32, 32, 65, 1},   // the odd pixel goes right and down
      {32, 32, 32, 32, 0, 0},    {0, 0, 32, 32, -15, -15}, {10, 11, 48, 48, -18, -18},
  };
  for (const Case& c : cases) {
    const IconOrigin origin =
        CentredIconOrigin(c.clientWidth, c.clientHeight, c.iconWidth, c.iconHeight);
    EXPECT_EQ(origin.x, c.x) << c.clientWidth;
    EXPECT_EQ(origin.y, c.y) << c.clientHeight;
  }
}

// Closes the dialog that DoModal is running as a user would.
QuorvanDialog* modalDialog = nullptr;
UINT closeMessage = 0;
WPARAM closeWParam = 0;

void CALLBACK CloseModalDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  if (modalDialog == nullptr || modalDialog->Handle() == nullptr) return;
  KillTimer(nullptr, timer);
  HWND target = modalDialog->Handle();
  LPARAM lParam = 0;
  if (closeMessage == WM_KEYDOWN) {
    target = GetDlgItem(target, IDC_NETWORK_LIST);  // the dialog manager sees the key first
    lParam = 0x00010001;
  }
  PostMessageW(target, closeMessage, closeWParam, lParam);
}

TEST(ModalRun, EscapeCloseAndOkEndTheDialogAndDestroyEveryRecord) {
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    INT_PTR result;
  };
  const Case cases[] = {
      {"Escape", WM_KEYDOWN, VK_ESCAPE, IDCANCEL},
      {"WM_CLOSE", WM_CLOSE, 0, IDCANCEL},
      {"OK", WM_COMMAND, IDOK, IDOK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QuorvanDialog dialog(GetModuleHandleW(nullptr));
    modalDialog = &dialog;
    closeMessage = c.message;
    closeWParam = c.wParam;
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, &CloseModalDialog);
    EXPECT_EQ(dialog.DoModal(), c.result);
    KillTimer(nullptr, timer);
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_TRUE(dialog.Behaviour().Table().empty());
  }
  modalDialog = nullptr;
}

}  // namespace
}  // namespace quorvan
