// make-samples DIR: writes a few small disk images into DIR, one of each format, for
// trying the explorer without disks of one's own. They are written as the explorer writes
// disks, so they can be changed too.
#include "DiskEditor.h"
#include "ImageBuilders.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

using namespace testimg;

namespace {

// KOI-8 text, as the computer stores it.
Bytes Text(const std::string& cp1251) {
    Bytes bytes;
    for (char c : ToKoi8(cp1251))
        bytes.push_back(c == '\n' ? 0x0A : static_cast<uint8_t>(c));
    return bytes;
}

bool Write(const std::filesystem::path& path, const Bytes& image) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    return static_cast<bool>(out);
}

// A blank disk of the format with the entries `fill` makes, as the explorer writes them.
template <class Fill> Bytes Sample(ImageFormat id, Fill fill) {
    const FileSystemFormat* format = nullptr;
    for (const FileSystemFormat* writable : WritableFormats())
        format = writable->id == id ? writable : format;
    auto disk = EditDisk(format->Blank());
    const int root = disk->Disk().RootDir();
    const auto file = [&](int dir, const char* name, uint16_t address, const Bytes& data) {
        if (disk->AddFile(dir, name, address, data, false).error != EditError::None)
            throw std::runtime_error(std::string("cannot add ") + name);
    };
    const auto folder = [&](int dir, const char* name) {
        const EditResult made = disk->MakeDirectory(dir, name);
        if (made.error != EditError::None)
            throw std::runtime_error(std::string("cannot make ") + name);
        return disk->Disk().Entries()[static_cast<size_t>(made.index)].ownDir;
    };
    fill(root, file, folder);
    return disk->Bytes();
}

Bytes MkDos() {
    return Sample(FormatMkDos, [](int root, auto file, auto folder) {
        file(root, "README.TXT", 01000,
             Text("Sample MKDOS disk.\nDouble-click a folder to enter it.\n"));
        const int games = folder(root, "\xC8\xC3\xD0\xDB");           // ИГРЫ
        file(games, "\xD2\xC5\xD2\xD0\xC8\xD1", 01000, Filled(4000)); // ТЕТРИС
        file(games, "\xCF\xD0\xCE\xD1\xD2\xCE.TXT", 01000,
             Text("\xCF\xF0\xE8\xE2\xE5\xF2, BK!\n")); // ПРОСТО.TXT: Привет, BK!
        const int arcade = folder(games, "\xC0\xD0\xCA\xC0\xC4\xDB"); // АРКАДЫ
        file(arcade, "XONIX", 01000, Filled(6000, 3));
        file(arcade, "\xC7\xCC\xC5\xC9\xCA\xC0", 01000, Filled(5000, 9)); // ЗМЕЙКА
        file(folder(root, "TOOLS"), "MONITOR", 0100000, Filled(8192, 1));
        file(root, "LOADER", 040000, Filled(512, 7));
    });
}

Bytes MicroDos() {
    return Sample(FormatMicroDos, [](int root, auto file, auto) {
        file(root, "DEMO", 01000, Filled(3000));
        file(root, "HELLO.TXT", 01000, Text("Hello from MicroDOS.\n"));
        file(root, "\xCA\xCE\xC4", 01000, Filled(100, 5)); // КОД
    });
}

Bytes Andos() {
    return Sample(FormatAndos, [](int root, auto file, auto folder) {
        file(root, "README.TXT", 0, Text("Sample ANDOS disk.\n"));
        const int games = folder(root, "GAMES");
        file(games, "BOULDER.BIN", 01000, Filled(9000, 2));
        file(games, "\xD1\xCF\xD0\xC0\xC2\xCA\xC0", 01000,
             Text("\xD1\xEF\xF0\xE0\xE2\xEA\xE0\n")); // СПРАВКА
        file(root, "PAINT", 01000, Filled(2048, 4));
    });
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: make-samples DIR\n", stderr);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    return Write(dir / "sample-mkdos.img", MkDos()) &&
                   Write(dir / "sample-microdos.img", MicroDos()) &&
                   Write(dir / "sample-andos.bkd", Andos())
               ? 0
               : 1;
}
