// The machine as a whole: its post-boot state.
#pragma once

void ResetMachine();
