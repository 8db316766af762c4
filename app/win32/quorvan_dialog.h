#pragma once

// The Windows shell: the main window as a dialog from template 102, hosting the main window's
// behaviour, the About box from template 100 and the application object.

#include <windows.h>

#include "app/main_window.h"
#include "ui/win32/win32_list_view.h"

namespace quorvan {

// Where a minimised window draws its icon: centred, the odd pixel going right and down. Both
// divisions round toward zero, also when the icon is larger than the client area.
struct IconOrigin {
  int x;
  int y;
};
constexpr IconOrigin CentredIconOrigin(int clientWidth, int clientHeight, int iconWidth,
                                       int iconHeight) {
  return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

// The About box: template 100, no behaviour of its own beyond closing.
class CAboutDlg {
 public:
  CAboutDlg(HINSTANCE instance, HWND parent) : instance_(instance), parent_(parent) {}
  INT_PTR DoModal();

 private:
  HINSTANCE instance_;
  HWND parent_;
};

// The main window. The dialog procedure binds the object to its window at WM_INITDIALOG and
// forwards the messages the behaviour handles; all others get the dialog manager's defaults.
class QuorvanDialog final : public MainWindowHost {
 public:
  explicit QuorvanDialog(HINSTANCE instance);
  QuorvanDialog(const QuorvanDialog&) = delete;
  QuorvanDialog& operator=(const QuorvanDialog&) = delete;

  // Runs the window modally; returns the command that ended it (IDOK or IDCANCEL), -1 when the
  // window could not be created.
  INT_PTR DoModal();
  // Creates the window without a modal loop of its own, for a caller that pumps messages.
  HWND Create();

  HWND Handle() const { return window_; }
  HICON AppIcon() const { return appIcon_; }
  CquorvanDlg& Behaviour() { return behaviour_; }

  // MainWindowHost
  ListView& NetworkList() override { return list_; }
  TextLabel& StatusLabel() override { return status_; }
  void SetTitle(std::string_view title) override;
  void StartTimer(int timer, int periodMs) override;
  bool HasWindowMenu() override;
  void AppendWindowMenuSeparator() override;
  void AppendWindowMenuItem(unsigned command, std::string_view text) override;
  std::string LoadResourceString(int id) override;
  void SetIcon(IconSize size) override;
  void RunAboutBox() override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Bind(HWND window);
  bool PaintMinimised();

  HINSTANCE instance_;
  HICON appIcon_;  // shared, owned by the system
  HWND window_ = nullptr;
  Win32ListView list_;
  Win32Label status_;
  CquorvanDlg behaviour_;
};

// The application: registers the common controls and runs the main window modally.
class CquorvanApp {
 public:
  explicit CquorvanApp(HINSTANCE instance) : instance_(instance) {}
  // Returns 0, the process's exit code, once the main window has closed.
  int InitInstance();

 private:
  HINSTANCE instance_;
};

}  // namespace quorvan
