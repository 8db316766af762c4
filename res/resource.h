// Resource numbers of the Windows program, shared by the resource script and the shell.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_QUORVAN_DIALOG 102
#define IDR_MAINFRAME 128
#define IDC_NETWORK_LIST 1000
#define IDC_STATUS 1008

// The window menu's About entry: a system command, so its low four bits stay clear.
#define IDM_ABOUTBOX 0x0010
