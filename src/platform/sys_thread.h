// Thread placement hints for the engine's long-lived worker threads.
#pragma once

#include <thread>

// Asks the system to prefer one processor for a running thread (a hint, as
// SetThreadIdealProcessor gives it). 0, or -1 when the system refused it or
// the thread is not running. The stand-in accepts and does nothing.
int sys_thread_set_ideal_processor(std::thread &thread, int processor);
