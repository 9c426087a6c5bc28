// The built-in images and the two fonts.
#pragma once

#include <gtk/gtk.h>

#include <initializer_list>
#include <string>

// Decodes the built-in image once; nullptr when it is missing or cannot be decoded, so that
// the control that wanted it simply shows no picture.
GdkPixbuf* quirloImage(int id);
// An image widget for the built-in image; empty when the image is missing.
GtkWidget* quirloImageWidget(int id);

// The first of the font families that is installed, "Sans" when none is.
std::string installedFamily(std::initializer_list<const char*> wanted);
// A condensed face of the size in points, for labels that must fit a fixed width; the caller
// frees it.
PangoFontDescription* newCondensedFont(int size);
// Font 0: frame headings and settings labels; font 1: the port indicators. Where their
// families are missing, the nearest installed ones stand in.
void loadFonts();
const PangoFontDescription* quirloFont(int index);
