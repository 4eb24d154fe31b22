// The register display shown once the processor has stopped.
#pragma once

// Writes the registers, the scanline and the instruction at PC into the
// text screen's top-left cells.
void DrawDebugOverlay();
