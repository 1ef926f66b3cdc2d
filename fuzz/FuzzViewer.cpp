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
    const int chosen = in.Range(0, static_cast<int>(g_rowBytesChoices.size()));
    const ViewLayout layout =
        MakeLayout(width, height, scale, chosen ? g_rowBytesChoices[chosen - 1] : kAutoRowBytes);
    const Point from{in.Range(-20, width + 20), in.Range(-20, height + 20)};
    const Point to =
        ClampDragPoint({in.Range(-99, 9999), in.Range(-99, 9999)}, width, height, scale);
    const MemorySelection selection = SelectionBetween(
        CornerAt(address, from, layout), CornerAt(address, to, layout), layout.rowBytes);
    const auto moved = static_cast<uint16_t>(in.Take(2)); // the picture scrolled meanwhile
    const ScrollInfo info = MakeScrollInfo(address, layout);
    FUZZ_CHECK(info.pos >= 0 && info.page >= 1 && info.pos + info.page <= info.range);
    ScrollAddress(static_cast<ScrollCode>(in.Take(1) % 8), address, in.Range(-5, 70000), layout);
    if (const auto byte = ByteAt(address, from, layout))
        FUZZ_CHECK(AddressShowing(*byte, from, layout) == address);
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
    ComposePicture(ram.data(), moved, {width, height, scale, color, layout.rowBytes}, tables,
                   pixels.data());
    InvertSelectionFrame(pixels.data(), width, height, FrameOf(selection, moved, layout));
    std::vector<uint32_t> xrgb(static_cast<size_t>(width) * height);
    ConvertToXrgb(pixels.data(), width, height, xrgb.data());

    const auto visible = VisiblePart(selection, moved, layout);
    if (visible) {
        FUZZ_CHECK(visible->columns <= layout.columns && visible->rows <= layout.rows);
    }
    const auto image =
        visible ? ComposeSelection(ram.data(), *visible, color, tables) : std::nullopt;
    if (image) {
        const auto file = EncodeBmp(*image);
        FUZZ_CHECK(file.size() == 54 + static_cast<size_t>(image->width) * image->height * 2);
    }
}
