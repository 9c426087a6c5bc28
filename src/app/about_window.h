// The about window (window 5).
#pragma once

#include <gtk/gtk.h>

void createAboutWindow();
