#include "ScreenDraw.h"

#include <wx/bitmap.h>
#include <wx/graphics.h>
#include <wx/image.h>

#ifdef __WXGTK3__
#include <cairo.h>
#elif defined(__WXMSW__)
#include <wx/msw/wrapwin.h>
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
                reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(pixels)), CAIRO_FORMAT_RGB24,
                width, height, width * 4);
            cairo_save(cr);
            cairo_set_source_surface(cr, surface, 0, 0);
            cairo_paint(cr);
            cairo_restore(cr);
            cairo_surface_destroy(surface);
            return;
        }
    }
#elif defined(__WXMSW__)
    // A top-down 32-bit device-independent bitmap is these very pixels, in one call.
    if (HDC hdc = static_cast<HDC>(dc.GetHDC())) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        // GDI applies the context's origin to these logical coordinates itself.
        if (SetDIBitsToDevice(hdc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0,
                              0, 0, static_cast<UINT>(height), pixels, &info, DIB_RGB_COLORS) != 0)
            return;
    }
#endif
    DrawThroughBitmap(dc, pixels, width, height);
}
