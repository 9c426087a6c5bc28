// The built-in images and the two fonts.
#include "ui/resources.h"

#include <array>

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

void loadFonts()
{
    if (!fonts[0])
        fonts[0] = pango_font_description_from_string("Ubuntu Condensed Bold 9");
    if (!fonts[1])
        fonts[1] = pango_font_description_from_string("Free Sans 7");
}

const PangoFontDescription* quirloFont(int index)
{
    return fonts[index];
}
