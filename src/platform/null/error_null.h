// Test hooks of the stand-in error platform.
#pragma once

// Files ending in extension "open" with exe (one association at a time).
void null_register_executable(const char *extension, const char *exe);
// The program and parameters of the last start.
const char *null_started_program();
const char *null_started_parameters();
