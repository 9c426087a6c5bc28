// The built-in images and the two fonts.
#pragma once

#include <gtk/gtk.h>

// Decodes the built-in image once; nullptr when it is missing or cannot be decoded, so that
// the control that wanted it simply shows no picture.
GdkPixbuf* quirloImage(int id);
// An image widget for the built-in image; empty when the image is missing.
GtkWidget* quirloImageWidget(int id);

// Font 0: frame headings and settings labels; font 1: the port indicators.
void loadFonts();
const PangoFontDescription* quirloFont(int index);
