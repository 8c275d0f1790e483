// Resource identifiers of kavren.exe.
#pragma once
#define IDI_KAVREN 10001   // the icon of the window classes
#define IDR_KV_RES 201     // KV_RES: offset of appended data
