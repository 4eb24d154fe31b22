// The picture as a PNG file.
#pragma once

// Writes the 160x144 picture last presented as an 8-bit RGB PNG file.
// Returns false when the file cannot be written.
bool SaveScreenshot(const char* path);
