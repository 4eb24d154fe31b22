// The picture as a PNG file.
#pragma once
#include <string>

// Writes the 160x144 picture last presented as an 8-bit RGB PNG file,
// replacing a file of that name whole (shell/atomic_file.h). Returns false
// with *error when it cannot be written.
bool SaveScreenshot(const char* path, std::string* error = nullptr);

// Pictures to take during the run (--screenshot-at): each when that many
// frames have finished, the same picture a run ending there leaves.
void ScheduleScreenshot(long frame, const char* path);

// Once per frame: writes the pictures due now. A file that cannot be
// written is reported on stderr at once.
void TakeScheduledScreenshots(long frames_finished);

// At the end of the run: reports on stderr each scheduled picture the run
// ended before. Returns false when a picture is missing or failed.
bool ScheduledScreenshotsDone(long frames_finished);
