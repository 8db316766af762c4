#include <windows.h>

#include "app/win32/quorvan_dialog.h"

// The program takes no arguments.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return quorvan::CquorvanApp(instance).InitInstance();
}
