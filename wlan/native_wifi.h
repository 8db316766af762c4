#pragma once

// The Native Wifi API: Windows' own on Windows, the layer of the same names elsewhere.
#ifdef _WIN32
#include <windows.h>
// windows.h first: wlanapi.h relies on its types.
#include <wlanapi.h>
#else
#include "wlan/linux/wlanapi.h"
#endif
