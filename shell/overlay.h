// The register display shown once the processor has stopped.
#pragma once

// Writes what the processor stopped on (Machine::StopText), the registers,
// the scanline and the instruction at PC into the text screen's top-left
// PictureColumns x PictureRows cells: shown scaled as the picture is, the
// display fits the window at every scale.
void DrawDebugOverlay();
