#include "app/win32/quorvan_dialog.h"

#include <commctrl.h>

#include "res/resource.h"
#include "ui/win32/wide_text.h"

namespace quorvan {

static_assert(IDM_ABOUTBOX == kAboutCommand);
static_assert(IDS_ABOUTBOX == kAboutMenuString);

namespace {

// String resources are short; a longer one is cut at this size rather than overrun.
constexpr int kResourceStringChars = 256;

INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(window, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

INT_PTR CAboutDlg::DoModal() {
  return DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ABOUTBOX), parent_, AboutProc, 0);
}

QuorvanDialog::QuorvanDialog(HINSTANCE instance)
    : instance_(instance),
      appIcon_(LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME))),
      behaviour_(*this) {}

INT_PTR QuorvanDialog::DoModal() {
  return DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_QUORVAN_DIALOG), nullptr, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

HWND QuorvanDialog::Create() {
  return CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_QUORVAN_DIALOG), nullptr, DialogProc,
                            reinterpret_cast<LPARAM>(this));
}

void QuorvanDialog::Bind(HWND window) {
  window_ = window;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  list_.Attach(GetDlgItem(window, IDC_NETWORK_LIST));
  status_.Attach(GetDlgItem(window, IDC_STATUS));
}

INT_PTR CALLBACK QuorvanDialog::DialogProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<QuorvanDialog*>(lParam);
    dialog->Bind(window);
    return dialog->HandleMessage(message, wParam, lParam);
  }
  // Messages before WM_INITDIALOG (WM_SETFONT and the like) find no object yet.
  auto* dialog = reinterpret_cast<QuorvanDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (dialog == nullptr) return FALSE;
  const INT_PTR result = dialog->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    dialog->window_ = nullptr;
    dialog->list_.Attach(nullptr);
    dialog->status_.Attach(nullptr);
  }
  return result;
}

INT_PTR QuorvanDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return behaviour_.OnInitDialog() ? TRUE : FALSE;
    case WM_TIMER:
      behaviour_.OnTimer(static_cast<int>(wParam));
      return FALSE;  // the default handling follows
    case WM_SYSCOMMAND:
      if (!behaviour_.OnSysCommand(static_cast<unsigned>(wParam))) return FALSE;
      SetWindowLongPtrW(window_, DWLP_MSGRESULT, 0);
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != IDC_NETWORK_LIST || header->code != LVN_COLUMNCLICK) return FALSE;
      behaviour_.OnColumnClick(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem);
      return TRUE;
    }
    case WM_PAINT:
      return PaintMinimised() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      // One of the messages whose dialog-procedure result is the message's result.
      return reinterpret_cast<INT_PTR>(appIcon_);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(window_, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      behaviour_.OnDestroy();
      return FALSE;
  }
  return FALSE;
}

bool QuorvanDialog::PaintMinimised() {
  if (!IsIconic(window_)) return false;
  PAINTSTRUCT paint;
  const HDC context = BeginPaint(window_, &paint);
  SendMessageW(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
  RECT client;
  GetClientRect(window_, &client);
  const IconOrigin origin =
      CentredIconOrigin(client.right - client.left, client.bottom - client.top,
                        GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  DrawIcon(context, origin.x, origin.y, appIcon_);
  EndPaint(window_, &paint);
  return true;
}

void QuorvanDialog::SetTitle(std::string_view title) {
  SetWindowTextW(window_, Widen(title).c_str());
}

void QuorvanDialog::StartTimer(int timer, int periodMs) {
  SetTimer(window_, static_cast<UINT_PTR>(timer), static_cast<UINT>(periodMs), nullptr);
}

bool QuorvanDialog::HasWindowMenu() { return GetSystemMenu(window_, FALSE) != nullptr; }

void QuorvanDialog::AppendWindowMenuSeparator() {
  const HMENU menu = GetSystemMenu(window_, FALSE);
  if (menu != nullptr) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
}

void QuorvanDialog::AppendWindowMenuItem(unsigned command, std::string_view text) {
  const HMENU menu = GetSystemMenu(window_, FALSE);
  if (menu != nullptr) AppendMenuW(menu, MF_STRING, command, Widen(text).c_str());
}

std::string QuorvanDialog::LoadResourceString(int id) {
  wchar_t text[kResourceStringChars];
  const int length = LoadStringW(instance_, static_cast<UINT>(id), text, kResourceStringChars);
  if (length <= 0) return {};
  return Narrow(std::wstring_view(text, static_cast<std::size_t>(length)));
}

void QuorvanDialog::SetIcon(IconSize size) {
  const WPARAM which = size == IconSize::kBig ? ICON_BIG : ICON_SMALL;
  SendMessageW(window_, WM_SETICON, which, reinterpret_cast<LPARAM>(appIcon_));
}

void QuorvanDialog::RunAboutBox() { CAboutDlg(instance_, window_).DoModal(); }

int CquorvanApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{};
  static_assert(sizeof controls == 8);
  controls.dwSize = sizeof controls;
  controls.dwICC = 0xFF;  // all eight classes of the low byte, the list view among them
  InitCommonControlsEx(&controls);
  QuorvanDialog(instance_).DoModal();
  return 0;
}

}  // namespace quorvan
