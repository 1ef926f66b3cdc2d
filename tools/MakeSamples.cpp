// make-samples DIR: writes a few small disk images into DIR, one of each format, for
// trying the explorer without disks of one's own.
#include "ImageBuilders.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
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

Bytes MkDos() {
    MicroDosBuilder b(true);
    b.File(0, "README.TXT", 01000,
           Text("Sample MKDOS disk.\nDouble-click a folder to enter it.\n"));
    b.Dir(1, 0, "\xC8\xC3\xD0\xDB");                            // ИГРЫ
    b.File(1, "\xD2\xC5\xD2\xD0\xC8\xD1", 01000, Filled(4000)); // ТЕТРИС
    b.File(1, "\xCF\xD0\xCE\xD1\xD2\xCE.TXT", 01000,
           Text("\xCF\xF0\xE8\xE2\xE5\xF2, BK!\n")); // ПРОСТО.TXT: Привет, BK!
    b.Dir(2, 1, "\xC0\xD0\xCA\xC0\xC4\xDB");         // АРКАДЫ
    b.File(2, "XONIX", 01000, Filled(6000, 3));
    b.File(2, "\xC7\xCC\xC5\xC9\xCA\xC0", 01000, Filled(5000, 9)); // ЗМЕЙКА
    b.Dir(3, 0, "TOOLS");
    b.File(3, "MONITOR", 0100000, Filled(8192, 1));
    b.File(0, "LOADER", 040000, Filled(512, 7));
    return b.Image();
}

Bytes MicroDos() {
    MicroDosBuilder b(false);
    b.File(0, "DEMO", 01000, Filled(3000));
    b.File(0, "HELLO.TXT", 01000, Text("Hello from MicroDOS.\n"));
    b.File(0, "\xCA\xCE\xC4", 01000, Filled(100, 5)); // КОД
    return b.Image();
}

Bytes Andos() {
    AndosBuilder b;
    b.File(0, "README", "TXT", 0, Text("Sample ANDOS disk.\n"));
    b.Dir(1, 0, "GAMES");
    b.File(1, "BOULDER", "BIN", 01000, Filled(9000, 2));
    b.File(1, "\xD1\xCF\xD0\xC0\xC2\xCA\xC0", "", 01000,
           Text("\xD1\xEF\xF0\xE0\xE2\xEA\xE0\n")); // СПРАВКА
    b.File(0, "PAINT", "", 01000, Filled(2048, 4));
    return b.Image();
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
