// The about window (window 5).
#pragma once

void createAboutWindow();
