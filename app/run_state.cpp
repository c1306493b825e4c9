#include "app/run_state.h"

volatile std::sig_atomic_t running = 1;
