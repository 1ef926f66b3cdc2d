#include "OwnReaders.h"

#include "Cp1251.h"
#include "Formats.h"

#include <algorithm>

namespace own {

namespace {

struct Bytes {
    const std::vector<uint8_t>& v;
    int At(long long i) const {
        return i >= 0 && i < static_cast<long long>(v.size()) ? v[static_cast<size_t>(i)] : 0;
    }
    int Word(long long i) const { return At(i) | At(i + 1) << 8; }
    std::vector<uint8_t> Part(long long from, long long count) const {
        std::vector<uint8_t> out;
        for (long long i = 0; i < count; ++i)
            out.push_back(static_cast<uint8_t>(At(from + i)));
        return out;
    }
    std::string Name(long long from, int count) const {
        std::string name;
        for (int i = 0; i < count; ++i)
            name += static_cast<char>(At(from + i));
        ConvertKoi8ToCp1251(reinterpret_cast<uint8_t*>(name.data()), count);
        name.erase(name.find_last_not_of(' ') + 1);
        return FoldName(name);
    }
};

// Paths of the live entries from their directories' numbers.
struct Tree {
    int root = 0;
    std::map<int, std::pair<int, std::string>> dirs; // own number: holding number, name
    std::string PathOf(int dir, const std::string& name) const {
        std::string path = name;
        for (int steps = 0; dir != root && steps < 256; ++steps) {
            const auto found = dirs.find(dir);
            if (found == dirs.end())
                return "<lost>/" + path;
            path = found->second.second + "/" + path;
            dir = found->second.first;
        }
        return path;
    }
};

void Break(Disk& disk, const std::string& rule) {
    if (disk.problem.empty())
        disk.problem = rule;
}

} // namespace

Disk ReadMicroDosFamily(const std::vector<uint8_t>& v, bool mkdos) {
    const Bytes b{v};
    Disk disk;
    struct Record {
        long long at;
        bool deleted, dir;
    };
    std::vector<Record> records;
    const int count = b.Word(030);
    int live = 0;
    for (long long at = 0x140; at + 24 <= static_cast<long long>(v.size()); at += 24) {
        const bool deleted = b.At(at) == 0377;
        if ((b.At(at) == 0 && b.At(at + 1) == 0 && b.At(at + 2) == 0) ||
            (count > 0 && live == count && !deleted))
            break;
        live += !deleted;
        const bool dir =
            mkdos ? b.At(at + 2) == 0x7F : b.Word(at + 024) == 0 && b.Word(at + 026) == 0;
        records.push_back({at, deleted, dir});
    }
    Tree tree;
    for (const Record& r : records) {
        if (r.dir && !r.deleted)
            tree.dirs[b.At(r.at)] = {b.At(r.at + 1),
                                     b.Name(r.at + (mkdos ? 3 : 2), mkdos ? 13 : 14)};
    }
    const long long imageBlocks = static_cast<long long>(v.size()) / 512;
    const long long told = b.Word(0466);
    const long long diskBlocks = told > 20 && told < imageBlocks ? told : imageBlocks;
    long long end = 20, used = 20;
    for (const Record& r : records) {
        if (r.dir) {
            if (!r.deleted)
                disk.dirs.insert(
                    tree.PathOf(b.At(r.at + 1), b.Name(r.at + (mkdos ? 3 : 2), 13 + !mkdos)));
            continue;
        }
        const long long start = b.Word(r.at + 020), blocks = b.Word(r.at + 022);
        if (start != end)
            Break(disk, "a run does not follow the one before it");
        end = start + blocks;
        if (r.deleted) {
            disk.freeBytes += std::max(0LL, std::min(end, diskBlocks) - start) * 512;
            continue;
        }
        // Real disks give some files more blocks than their length needs, and a few fewer
        // (FORTH on mk_dos.img): what lies past its blocks is the next file's.
        const long long length = std::min<long long>(b.Word(r.at + 026), blocks * 512);
        used += blocks;
        disk.files[tree.PathOf(b.At(r.at + 1), b.Name(r.at + 2, 14))] = {
            static_cast<uint16_t>(b.Word(r.at + 024)), b.Part(start * 512, length), blocks * 512};
    }
    disk.freeBytes += std::max(0LL, diskBlocks - end) * 512;
    if (b.Word(030) != live)
        Break(disk, "word 030 is not the count of live entries");
    if (b.Word(032) != used)
        Break(disk, "word 032 is not the blocks in use");
    return disk;
}

Disk ReadAndos(const std::vector<uint8_t>& v) {
    const Bytes b{v};
    Disk disk;
    const long long sector = b.Word(0x0B), perCluster = b.At(0x0D), reserved = b.Word(0x0E);
    const long long fats = b.At(0x10), rootEntries = b.Word(0x11), total = b.Word(0x13);
    const long long perFat = b.Word(0x16);
    const long long fat = reserved * sector, root = fat + fats * perFat * sector;
    const long long data = root + rootEntries * 32, cluster = perCluster * sector;
    if (sector == 0 || cluster == 0) {
        Break(disk, "no FAT12 layout");
        return disk;
    }
    const long long clusters = (total * sector - data) / cluster;
    for (long long copy = 1; copy < fats; ++copy) {
        if (b.Part(fat, perFat * sector) != b.Part(fat + copy * perFat * sector, perFat * sector))
            Break(disk, "the FAT copies differ");
    }
    const auto next = [&](long long c) {
        const int word = b.Word(fat + c * 3 / 2);
        return c % 2 ? word >> 4 : word & 0xFFF;
    };
    Tree tree;
    std::vector<long long> records;
    for (long long at = root; at < data && b.At(at) != 0; at += 32) {
        if (b.At(at) == 0xE5)
            continue;
        records.push_back(at);
        if (b.At(at + 11) == 0x08)
            tree.dirs[b.At(at + 20)] = {b.At(at + 21), b.Name(at, 11)};
    }
    std::set<long long> taken;
    for (const long long at : records) {
        const std::string name = b.Name(at, 8), extension = b.Name(at + 8, 3);
        if (b.At(at + 11) == 0x08) {
            disk.dirs.insert(tree.PathOf(b.At(at + 21), b.Name(at, 11)));
            continue;
        }
        const long long length = b.Word(at + 28) | static_cast<long long>(b.Word(at + 30)) << 16;
        std::vector<uint8_t> bytes;
        long long c = b.Word(at + 26);
        for (long long n = 0; n < (length + cluster - 1) / cluster; ++n) {
            if (c < 2 || c >= clusters + 2 || !taken.insert(c).second) {
                Break(disk, "a chain leaves the disk or shares a cluster");
                break;
            }
            const auto part = b.Part(data + (c - 2) * cluster, cluster);
            bytes.insert(bytes.end(), part.begin(), part.end());
            c = next(c);
        }
        if (length > 0 && c < 0xFF8)
            Break(disk, "a chain is longer than its file");
        const long long allotted = std::ssize(bytes);
        bytes.resize(static_cast<size_t>(std::min(length, allotted)));
        disk.files[tree.PathOf(b.At(at + 21), extension.empty() ? name : name + "." + extension)] =
            {static_cast<uint16_t>(b.Word(at + 22)), bytes, allotted};
    }
    for (long long c = 2; c < clusters + 2; ++c)
        disk.freeBytes += next(c) == 0 ? cluster : 0;
    return disk;
}

Disk ReadCsidos(const std::vector<uint8_t>& v) {
    const Bytes b{v};
    Disk disk;
    std::vector<long long> records;
    for (int i = 0; i < 200; ++i) {
        const long long at = (2 + i / 25) * 512 + 12 + i % 25 * 20;
        if (b.At(at) == 0)
            break;
        records.push_back(at);
    }
    const auto directory = [&](long long at) {
        return b.At(at + 10) == 0 && b.At(at + 11) == 0 && b.At(at + 12) == 0;
    };
    const auto live = [&](long long at) { return b.At(at) >= 1 && b.At(at) <= 200; };
    Tree tree;
    tree.root = 1;
    for (const long long at : records) {
        if (live(at) && directory(at))
            tree.dirs[b.At(at + 13)] = {b.At(at), b.Name(at + 2, 8)};
    }
    std::vector<std::pair<long long, long long>> runs; // start, blocks
    for (const long long at : records) {
        const long long length = b.At(at + 13) & 0x80 ? b.Word(at + 18) * 512LL : b.Word(at + 18);
        const long long blocks = (length + 511) / 512;
        if (live(at) && directory(at)) {
            disk.dirs.insert(tree.PathOf(b.At(at), b.Name(at + 2, 8)));
            continue;
        }
        if (!live(at) && b.At(at) != 0376 && b.At(at) != 0377 && b.At(at) != 0311)
            continue;
        if (blocks > 0)
            runs.emplace_back(b.Word(at + 14), blocks);
        if (!live(at)) {
            disk.freeBytes += b.At(at) == 0311 ? 0 : blocks * 512;
            continue;
        }
        // The system file's name field holds its own dot ("CSIDOS3." + "EXE").
        const std::string name = b.Name(at + 2, 8), extension = b.Name(at + 10, 3);
        const std::string dot = extension.empty() || name.ends_with('.') ? "" : ".";
        disk.files[tree.PathOf(b.At(at), name + dot + extension)] = {
            static_cast<uint16_t>(b.Word(at + 16)), b.Part(b.Word(at + 14) * 512LL, length),
            blocks * 512};
    }
    std::sort(runs.begin(), runs.end());
    long long next = 10;
    for (const auto& [start, blocks] : runs) {
        if (start != next)
            Break(disk, "the runs do not tile the disk");
        next = start + blocks;
    }
    if (next != std::min<long long>(b.Word(1024 + 2), static_cast<long long>(v.size()) / 512))
        Break(disk, "the runs do not reach the disk's end");
    return disk;
}

Disk ReadAny(const std::vector<uint8_t>& bytes) {
    const FileSystemFormat* format = DetectFileSystem(bytes);
    switch (format ? format->id : FormatUnknown) {
    case FormatMicroDos:
        return ReadMicroDosFamily(bytes, false);
    case FormatMkDos:
        return ReadMicroDosFamily(bytes, true);
    case FormatAndos:
        return ReadAndos(bytes);
    case FormatCsidos:
        return ReadCsidos(bytes);
    default: // a format with no reader here: every test of it must fail until it has one
        Disk none;
        Break(none, "no reader of the tests' own for this format");
        return none;
    }
}

std::vector<LogicalDisk> ReadHardDisk(const std::vector<uint8_t>& image, size_t header) {
    const size_t table = header + 7 * 512;
    if (image.size() < table + 512)
        return {};
    // The table's words, inverted back, counted from the sector's end down.
    const auto down = [&](size_t i) {
        const size_t at = table + 0x1FE - 2 * i;
        return (~(image[at] | image[at + 1] << 8)) & 0xFFFF;
    };
    const int sectorsPerTrack = down(2), count = down(3) & 0xFF;
    if (header && (down(0) != (image[2] | image[3] << 8) || down(1) != (image[6] | image[7] << 8) ||
                   sectorsPerTrack != (image[12] | image[13] << 8)))
        return {};
    long sum = 012701;
    for (size_t i = 0; i < 4 + 2 * static_cast<size_t>(count); ++i)
        sum += down(i);
    if (count == 0 || down(4 + 2 * static_cast<size_t>(count)) != (sum & 0xFFFF))
        return {};
    std::vector<LogicalDisk> disks;
    for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
        LogicalDisk disk;
        disk.offset = header + static_cast<size_t>(down(4 + 2 * i)) * sectorsPerTrack * 512;
        disk.size = static_cast<size_t>(down(5 + 2 * i)) * 512;
        for (size_t at = disk.offset; at < std::min(image.size(), disk.offset + disk.size); ++at)
            disk.bytes.push_back(static_cast<uint8_t>(~image[at]));
        disks.push_back(std::move(disk));
    }
    return disks;
}

} // namespace own
