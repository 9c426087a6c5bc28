// The pause info window that a PauseOn row opens.
#pragma once

#include <string>

// Opens window 7 with the text and a button with the label; "\a" in the text beeps once and
// is removed. Closing the window in any way resumes the paused run.
void ShowPauseInfo(const std::string& text, const std::string& buttonLabel);
