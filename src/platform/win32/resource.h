// Resource identifiers of kavren.exe.
#pragma once
#define IDI_KAVREN 1
