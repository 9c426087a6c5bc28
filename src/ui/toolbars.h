// The image-button rows at the top of windows 1-4: buttons, toggles and pictures by id.
#pragma once

#include <gtk/gtk.h>

// Builds the window's top-row buttons into the fixed container and registers them.
void buildToolbar(int window, GtkWidget* fixed);
