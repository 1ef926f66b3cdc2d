#include "ImageBuilders.h"

#include "Cp1251.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace testimg {

std::string ToKoi8(std::string_view cp1251) {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (int c = 0; c < 256; ++c)
            t[c] = static_cast<uint8_t>(c);
        for (int koi = 0xC0; koi <= 0xFF; ++koi) {
            uint8_t converted = static_cast<uint8_t>(koi);
            ConvertKoi8ToCp1251(&converted, 1);
            t[converted] = static_cast<uint8_t>(koi);
        }
        return t;
    }();
    std::string out(cp1251);
    for (char& c : out)
        c = static_cast<char>(table[static_cast<uint8_t>(c)]);
    return out;
}

Bytes Filled(int count, uint8_t first) {
    Bytes data(count);
    for (int i = 0; i < count; ++i)
        data[i] = static_cast<uint8_t>(first + i);
    return data;
}

void PutWord(Bytes& image, int offset, int word) {
    image.at(offset) = static_cast<uint8_t>(word);
    image.at(offset + 1) = static_cast<uint8_t>(word >> 8);
}

namespace {

// Writes `text` padded with spaces into `width` bytes.
void PutPadded(Bytes& image, int offset, std::string_view text, int width) {
    if (static_cast<int>(text.size()) > width)
        throw std::invalid_argument("name too long for its field");
    std::fill_n(image.begin() + offset, width, ' ');
    std::copy(text.begin(), text.end(), image.begin() + offset);
}

} // namespace

MicroDosBuilder::MicroDosBuilder(bool mkdos, int size, int firstDataBlock)
    : m_image(size), m_mkdos(mkdos), m_nextBlock(firstDataBlock) {
    PutWord(m_image, 0x100, 0xA72E);
    if (mkdos)
        PutWord(m_image, 0x102, 0x530C);
}

int MicroDosBuilder::NextEntry() {
    PutWord(m_image, 030, m_entries + 1);
    return EntryOffset(m_entries++);
}

int MicroDosBuilder::Raw(int own, int holding, std::string_view rawName, int startBlock,
                         int address, int length) {
    const int e = NextEntry();
    m_image.at(e) = static_cast<uint8_t>(own);
    m_image.at(e + 1) = static_cast<uint8_t>(holding);
    std::copy(rawName.begin(), rawName.begin() + std::min<size_t>(rawName.size(), 14),
              m_image.begin() + e + 2);
    PutWord(m_image, e + 16, startBlock);
    PutWord(m_image, e + 20, address);
    PutWord(m_image, e + 22, length);
    return e;
}

int MicroDosBuilder::File(int holding, std::string_view name, int address, const Bytes& data) {
    const int block = m_nextBlock;
    std::copy(data.begin(), data.end(), m_image.begin() + block * 512);
    const int blocks = static_cast<int>((data.size() + 511) / 512);
    m_nextBlock += blocks;
    const int e = Raw(0, holding, "", block, address, static_cast<int>(data.size()));
    PutWord(m_image, e + 18, blocks);
    m_blocksUsed += blocks;
    PutWord(m_image, 032, m_blocksUsed);
    PutPadded(m_image, e + 2, ToKoi8(name), 14);
    return e;
}

int MicroDosBuilder::Dir(int own, int holding, std::string_view name) {
    const int e = Raw(own, holding, "", 0, 0, 0);
    if (m_mkdos) {
        m_image[e + 2] = 0x7F;
        PutPadded(m_image, e + 3, ToKoi8(name), 13);
    } else {
        PutPadded(m_image, e + 2, ToKoi8(name), 14);
    }
    return e;
}

AndosBuilder::AndosBuilder(int size) : m_image(size) {
    PutPadded(m_image, 4, "ANDOS  ", 7);
    m_image[11] = 0;
}

int AndosBuilder::NextEntry() {
    return 0xA00 + 32 * m_entries++;
}

void AndosBuilder::SetFat(int cluster, int value) {
    const int offset = 0x600 + cluster * 3 / 2;
    int word = m_image.at(offset) | m_image.at(offset + 1) << 8;
    word = cluster % 2 ? (word & 0x000F) | value << 4 : (word & 0xF000) | (value & 0xFFF);
    PutWord(m_image, offset, word);
}

int AndosBuilder::Raw(std::string_view name, std::string_view extension, int attribute, int own,
                      int holding, int address, int firstCluster, int length) {
    const int e = NextEntry();
    PutPadded(m_image, e, ToKoi8(name), 8);
    PutPadded(m_image, e + 8, ToKoi8(extension), 3);
    m_image.at(e + 11) = static_cast<uint8_t>(attribute);
    m_image.at(e + 20) = static_cast<uint8_t>(own);
    m_image.at(e + 21) = static_cast<uint8_t>(holding);
    PutWord(m_image, e + 22, address);
    PutWord(m_image, e + 26, firstCluster);
    PutWord(m_image, e + 28, length);
    PutWord(m_image, e + 30, length >> 16);
    return e;
}

int AndosBuilder::File(int holding, std::string_view name, std::string_view extension, int address,
                       const Bytes& data) {
    const int clusters = static_cast<int>((data.size() + 2047) / 2048);
    const int first = clusters ? m_nextCluster : 0xFFF;
    for (int i = 0; i < clusters; ++i) {
        const int c = m_nextCluster++;
        SetFat(c, i + 1 < clusters ? c + 1 : 0xFFF);
        const size_t from = static_cast<size_t>(i) * 2048;
        const size_t count = std::min<size_t>(2048, data.size() - from);
        std::copy_n(data.begin() + static_cast<long>(from), count,
                    m_image.begin() + ClusterOffset(c));
    }
    return Raw(name, extension, 0, 0, holding, address, first, static_cast<int>(data.size()));
}

int AndosBuilder::Dir(int own, int holding, std::string_view name, std::string_view extension) {
    return Raw(name, extension, 0x08, own, holding, 0, 0, 0);
}

Bytes BlankDisk(ImageFormat id) {
    for (const FileSystemFormat& format : FileSystemFormats()) {
        if (format.id == id)
            return format.Blank();
    }
    return {};
}

Bytes HardDiskOf(const std::vector<Bytes>& disks) {
    constexpr int kSector = 512, kTrack = 8; // sectors: the first disk starts at LBA 8
    Bytes image((1 + kTrack) * kSector, 0);
    std::vector<int> table; // words from the table sector's end down
    for (const Bytes& disk : disks) {
        const int sectors = static_cast<int>((disk.size() + kSector - 1) / kSector);
        table.push_back(static_cast<int>((image.size() - kSector) / kSector / kTrack));
        table.push_back(sectors);
        image.insert(image.end(), disk.begin(), disk.end());
        const size_t trackBytes = kTrack * kSector, sectorBytes = image.size() - kSector;
        image.resize(kSector + (sectorBytes + trackBytes - 1) / trackBytes * trackBytes);
    }
    const int cylinders = static_cast<int>((image.size() - kSector) / kSector / kTrack);
    PutWord(image, 2, cylinders);
    PutWord(image, 6, 1);
    PutWord(image, 12, kTrack);
    table.insert(table.begin(), {cylinders, 1, kTrack, static_cast<int>(disks.size())});
    int sum = 012701;
    const int end = (1 + 7) * kSector + 0x1FE;
    for (size_t i = 0; i < table.size(); ++i) {
        PutWord(image, end - 2 * static_cast<int>(i), table[i]);
        sum += table[i];
    }
    PutWord(image, end - 2 * static_cast<int>(table.size()), sum & 0xFFFF);
    for (size_t i = kSector; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(~image[i]);
    return image;
}

} // namespace testimg
