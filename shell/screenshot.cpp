// Placeholder until the PNG writer lands.
#include "shell/screenshot.h"

bool SaveScreenshot(const char*) { return false; }
