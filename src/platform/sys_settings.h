// Platform services of the settings and system checks: Windows version,
// system folder, file versions, folder write test.
// Win32: src/platform/win32/settings_win32.cpp; stand-in: src/platform/null.
#pragma once

#include <cstddef>
#include <cstdint>

// Build number and platform id of GetVersionExA; false when the call fails.
bool sys_os_version(uint32_t *build, uint32_t *platform_id);
// The Windows system folder, without a trailing '\'; false when unknown.
bool sys_system_folder(char *out, size_t size);
// Fixed file version of a file: 0, or E_INVALIDARG / E_FAIL / E_OUTOFMEMORY.
int32_t sys_file_version(const char *path, uint64_t *version);
// True when a new temporary file can be created, opened for writing and
// deleted in the folder.
bool sys_folder_writable(const char *folder);
// Processor name (brand string) for the system report; empty when unknown.
void sys_cpu_name(char *out, size_t size);
// Physical memory in megabytes, 0 when unknown.
uint32_t sys_memory_mb();
// The rest of the system report as key / value lines: processor features,
// display devices and their current modes, sound devices with their best
// format, the administrator state.
typedef void (*SysReportLine)(const char *key, const char *value);
void sys_system_report(SysReportLine line);
