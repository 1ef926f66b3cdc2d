#include "ScreenDraw.h"

#include <wx/bitmap.h>
#include <wx/graphics.h>
#include <wx/image.h>

#ifdef __WXGTK3__
#include <cairo.h>
#endif

namespace {

// Through a toolkit bitmap: two more conversions and a copy, but any port has it.
void DrawThroughBitmap(wxDC& dc, const uint32_t* pixels, int width, int height) {
    wxImage image(width, height, false);
    unsigned char* rgb = image.GetData();
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i, rgb += 3) {
        rgb[0] = static_cast<unsigned char>(pixels[i] >> 16);
        rgb[1] = static_cast<unsigned char>(pixels[i] >> 8);
        rgb[2] = static_cast<unsigned char>(pixels[i]);
    }
    dc.DrawBitmap(wxBitmap(image), 0, 0);
}

} // namespace

void DrawXrgb(wxDC& dc, const uint32_t* pixels, int width, int height) {
#ifdef __WXGTK3__
    // GTK 3 draws with cairo, whose RGB24 image format is these very pixels.
    if (wxGraphicsContext* context = dc.GetGraphicsContext()) {
        if (auto* cr = static_cast<cairo_t*>(context->GetNativeContext())) {
            cairo_surface_t* surface = cairo_image_surface_create_for_data(
                reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(pixels)), CAIRO_FORMAT_RGB24, width,
                height, width * 4);
            cairo_save(cr);
            cairo_set_source_surface(cr, surface, 0, 0);
            cairo_paint(cr);
            cairo_restore(cr);
            cairo_surface_destroy(surface);
            return;
        }
    }
#endif
    DrawThroughBitmap(dc, pixels, width, height);
}
