// Placeholder register display.
#include "debug/overlay.h"

void DrawDebugOverlay() {}
