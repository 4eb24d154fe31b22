#include "memory/machine_clock.h"

uint64_t NextEventAt = 0;
