#include "FuzzTargets.h"

#include "BitmapExport.h"
#include "ScreenPicture.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Consumes values from the front of the input; zeros once it runs out.
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    unsigned Take(int bytes) {
        unsigned value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | (m_pos < m_size ? m_data[m_pos++] : 0);
        return value;
    }
    int Range(int low, int high) {
        return low + static_cast<int>(Take(2) % static_cast<unsigned>(high - low + 1));
    }
    std::vector<uint8_t> Rest() const {
        return {m_data + std::min(m_pos, m_size), m_data + m_size};
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace

void FuzzViewer(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint16_t address = static_cast<uint16_t>(in.Take(2));
    const int scale = g_scales[static_cast<size_t>(in.Range(0, kMaxScaleIndex))];
    // Mostly small windows, which run fast; now and then one as large as a screen.
    const bool large = in.Take(1) % 16 == 0;
    const int width = in.Range(0, large ? 1920 : 300);
    const int height = in.Range(0, large ? 1080 : 200);
    const bool color = in.Take(1) & 1;
    auto corner = [&](int limit) { return in.Take(1) == 0xFF ? SEL_NONE : in.Range(0, limit); };
    SelRect selection;
    selection.left = corner(width + 8 * scale);
    selection.top = corner(height + 1);
    selection.right = corner(width + 8 * scale);
    selection.bottom = corner(height + 1);
    std::string text;
    for (unsigned n = in.Take(1) % 24; n > 0; --n)
        text += static_cast<char>(in.Take(1));
    ParseAddressText(text);

    std::vector<uint8_t> ram(0x10000);
    const auto rest = in.Rest();
    for (size_t i = 0; i < ram.size() && !rest.empty(); ++i)
        ram[i] = rest[i % rest.size()];

    static const CPixelTables tables;
    std::vector<PixelWord> pixels(static_cast<size_t>(StrideWords(width)) * height);
    ComposePicture(ram.data(), address, {width, height, scale, color}, tables, pixels.data());
    InvertSelectionFrame(pixels.data(), width, height, selection);
    std::vector<uint32_t> xrgb(static_cast<size_t>(width) * height);
    ConvertToXrgb(pixels.data(), width, height, xrgb.data());

    const auto image =
        BuildSelectionImage(ram.data(), {address, scale, color, width, selection}, tables);
    if (image) {
        const auto file = EncodeBmp(*image);
        FUZZ_CHECK(file.size() == 54 + static_cast<size_t>(image->width) * image->height * 2);
    }
}
