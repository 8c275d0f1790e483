// What the stand-in platform would show on screen (message boxes, the error
// dialog, sound errors) it prints to stderr, one line each.
#pragma once

// Quiet: nothing is printed (fuzz programs, whose rejected inputs would
// otherwise fill a long run's output).
void null_set_quiet(bool quiet);
// Prints "[caption] text" unless quiet.
void null_print_shown(const char *caption, const char *text);
// Lines printed so far.
int null_printed_lines();
