// The built-in images and the two fonts.
#include "ui/resources.h"

#include <pango/pangocairo.h>

#include <array>
#include <string>

#include "ui/image_data.h"

namespace {

std::array<GdkPixbuf*, builtInImageCount> decoded{};
std::array<bool, builtInImageCount> tried{};
std::array<PangoFontDescription*, 2> fonts{};

} // namespace

GdkPixbuf* quirloImage(int id)
{
    if (id < 0 || id >= builtInImageCount)
        return nullptr;
    if (!tried[id]) {
        tried[id] = true;
        const BuiltInImage& image = builtInImages[id];
        if (image.size) {
            GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
            if (loader) {
                bool written = gdk_pixbuf_loader_write(loader, image.data, image.size, nullptr);
                bool closed = gdk_pixbuf_loader_close(loader, nullptr);
                if (written && closed) {
                    decoded[id] = gdk_pixbuf_loader_get_pixbuf(loader);
                    if (decoded[id])
                        g_object_ref(decoded[id]);
                }
                g_object_unref(loader);
            }
        }
    }
    return decoded[id];
}

GtkWidget* quirloImageWidget(int id)
{
    GdkPixbuf* pixbuf = quirloImage(id);
    return pixbuf ? gtk_image_new_from_pixbuf(pixbuf) : gtk_image_new();
}

std::string installedFamily(std::initializer_list<const char*> wanted)
{
    PangoFontFamily** families = nullptr;
    int count = 0;
    pango_font_map_list_families(pango_cairo_font_map_get_default(), &families, &count);
    std::string found = "Sans";
    for (const char* name : wanted) {
        bool installed = false;
        for (int index = 0; index < count && !installed; ++index)
            installed = g_ascii_strcasecmp(pango_font_family_get_name(families[index]), name) == 0;
        if (installed) {
            found = name;
            break;
        }
    }
    g_free(families);
    return found;
}

PangoFontDescription* newCondensedFont(int size)
{
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, installedFamily({"DejaVu Sans Condensed", "Liberation Sans Narrow"}).c_str());
    pango_font_description_set_size(font, size * PANGO_SCALE);
    return font;
}

void loadFonts()
{
    if (!fonts[0]) {
        fonts[0] = pango_font_description_from_string("Bold 9");
        pango_font_description_set_family(fonts[0], installedFamily({"Ubuntu Condensed", "DejaVu Sans Condensed"}).c_str());
    }
    if (!fonts[1]) {
        fonts[1] = pango_font_description_from_string("7");
        pango_font_description_set_family(fonts[1], installedFamily({"Free Sans", "FreeSans"}).c_str());
    }
}

const PangoFontDescription* quirloFont(int index)
{
    return fonts[index];
}
