#include "BitmapExport.h"

#include "HostFiles.h"
#include "ScreenPicture.h"
#include "TomsivarStrings.h"

#include <algorithm>
#include <filesystem>
#include <span>

using namespace tomsivar;

std::optional<SelectionImage> ComposeSelection(const uint8_t* ram, const MemorySelection& selection,
                                               bool color, const CPixelTables& tables) {
    if (!ram || selection.Empty())
        return std::nullopt;
    SelectionImage image{8 * selection.columns, 2 * selection.rows, {}};
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    for (int r = 0; r < selection.rows; ++r) {
        PixelWord* row = &image.pixels[static_cast<size_t>(2 * r) * image.width];
        const unsigned start = selection.first + static_cast<unsigned>(r * selection.rowBytes);
        for (int j = 0; j < selection.columns; ++j) {
            const PixelOctet& octet = tables.ExpandByte(ram[(start + j) & 0xFFFF], color);
            std::copy(octet.begin(), octet.end(), row + 8 * j);
        }
        std::copy(row, row + image.width, row + image.width); // each memory row twice
    }
    return image;
}

// A selection is 8 pixels a byte wide: its rows need no padding to be screen rows.
std::vector<uint8_t> SelectionRgb(const SelectionImage& image) {
    std::vector<uint32_t> xrgb(image.pixels.size());
    ConvertToXrgb(image.pixels.data(), image.width, image.height, xrgb.data());
    std::vector<uint8_t> rgb;
    rgb.reserve(3 * xrgb.size());
    for (const uint32_t pixel : xrgb) {
        rgb.push_back(static_cast<uint8_t>(pixel >> 16));
        rgb.push_back(static_cast<uint8_t>(pixel >> 8));
        rgb.push_back(static_cast<uint8_t>(pixel));
    }
    return rgb;
}

namespace {

void Put16(std::vector<uint8_t>& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, unsigned value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

} // namespace

std::vector<uint8_t> EncodeBmp(const SelectionImage& image) {
    const unsigned stride = (2 * static_cast<unsigned>(image.width) + 3) / 4 * 4;
    const unsigned imageSize = static_cast<unsigned>(image.height) * stride;
    std::vector<uint8_t> out;
    out.reserve(54 + imageSize);
    Put16(out, 0x4D42); // "BM"
    Put32(out, imageSize + 54);
    Put32(out, 0);  // two reserved words
    Put32(out, 54); // offset of the pixels
    Put32(out, 40); // information header size
    Put32(out, static_cast<unsigned>(image.width));
    Put32(out, static_cast<unsigned>(image.height)); // positive: bottom-up
    Put16(out, 1);                                   // planes
    Put16(out, 16);                                  // bits per pixel
    Put32(out, 0);                                   // BI_RGB
    Put32(out, imageSize);
    for (int i = 0; i < 4; ++i) // resolution and colour counts
        Put32(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        const PixelWord* row = &image.pixels[static_cast<size_t>(y) * image.width];
        for (int x = 0; x < image.width; ++x)
            Put16(out, row[x]);
        out.resize(out.size() + (stride - 2 * static_cast<unsigned>(image.width)), 0);
    }
    return out;
}

std::filesystem::path Utf8ToHostPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string CompleteBmpPath(const std::string& path) {
    return Utf8ToHostPath(path).has_extension() ? path : path + ".bmp";
}

bool WriteBmpFile(const std::string& path, const SelectionImage& image, std::string* reason) {
    using hostfiles::Outcome;
    const auto bytes = EncodeBmp(image);
    const auto result = hostfiles::SaveFile(Utf8ToHostPath(path), {std::span(bytes)});
    if (reason)
        *reason = result.outcome == Outcome::Link         ? LoadResString(IDS_SAVE_LINK)
                  : result.outcome == Outcome::NotRegular ? LoadResString(IDS_SAVE_NOT_REGULAR)
                                                          : result.reason;
    return result.outcome == Outcome::Written;
}
