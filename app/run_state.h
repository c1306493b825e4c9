#pragma once

#include <csignal>

// 1 while the frame loop runs; cleared by Q, by closing a window and by the
// interrupt handler, never set again.
extern volatile std::sig_atomic_t running;
