// The main window (window 0).
#pragma once

// Builds the main window (visible) with its toolbar, logo and toggle buttons.
void createMainWindow();
