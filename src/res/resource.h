#pragma once
// Resource ids shared by the resource script and the dialog code.

#define IDD_VANTORUPDATE_DIALOG 102
#define IDR_MAINFRAME 152
#define IDC_PROGRESS 1003
#define IDC_UPDATE_BUTTON 1007
#define IDC_INSTRUCTION_TEXT 1008
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
