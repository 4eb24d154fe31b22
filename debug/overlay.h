// The register display shown once the processor has stopped.
#pragma once

void DrawDebugOverlay();
