// Where the Flash control is made: by default the Shockwave Flash ActiveX
// control hosted through atl.dll; tests put a maker of their own here that
// answers the same calls by name through IDispatch.
#pragma once

#include <windows.h>
#include <oaidl.h>

// Makes the control inside the host window: an IDispatch reference, or null.
typedef IDispatch *(*FlashControlMaker)(HWND host);
extern FlashControlMaker g_flash_control_maker;
IDispatch *flash_make_atl_control(HWND host);
HWND flash_host_window();
