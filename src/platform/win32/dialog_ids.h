// Control ids of the dialogs IDD_KVE (error dialog) and IDD_KVI (input
// dialog). The templates are named by string, so IDD_KVE and IDD_KVI are not
// defined here.
#pragma once

#define IDC_KVE_MESSAGE 1032
#define IDC_KVE_EDITOR 1033
#define IDC_KVE_EXIT 1034

#define IDC_KVI_OK 1
#define IDC_KVI_EDIT 1000
#define IDC_KVI_PROMPT 1001
