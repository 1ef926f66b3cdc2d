// make-fuzz-seeds OUT [IMAGES]: seed inputs for each target, from the test image builders
// and (when given) the real images folder, cut to the fuzzers' input size.
#include "DropFiles.h"
#include "ImageBuilders.h"

#include <filesystem>
#include <fstream>
#include <string>

using namespace testimg;
namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxInput = 65536;

void Write(const fs::path& dir, const std::string& name, const Bytes& bytes) {
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(std::min(bytes.size(), kMaxInput)));
}

// Mode byte, then the image from where the fuzz target plants its input.
Bytes Seed(int mode, const Bytes& image, size_t from) {
    Bytes seed{static_cast<uint8_t>(mode)};
    seed.insert(seed.end(), image.begin() + static_cast<long>(from), image.end());
    return seed;
}

Bytes MicroDos(bool mkdos) {
    MicroDosBuilder b(mkdos, 0x6000, 16);
    b.File(0, "GAME", 01000, Filled(100));
    b.Dir(1, 0, "DIR");
    b.File(1, "\xD4\xC0\xC9\xCB", 02000, Filled(600));
    b.Dir(2, 1, "SUB");
    b.Dir(1, 1, "DIR");
    b.File(2, "..", 0, Filled(1));
    b.Raw(0, 0, "PAST", 0xFFF0, 1, 100);
    return b.Image();
}

Bytes Andos() {
    AndosBuilder b(0x5000);
    b.File(0, "FILE", "TXT", 01000, Filled(3000));
    b.Dir(1, 0, "DIR");
    b.File(1, "IN", "", 0, Filled(10));
    const int loop = b.File(0, "LOOP", "", 0, Filled(4096));
    b.SetFat(b.Image()[loop + 26] + 1, b.Image()[loop + 26]);
    return b.Image();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const fs::path out = argv[1];
    for (const char* target : {"disk", "export"}) {
        Write(out / target, "microdos", Seed(1, MicroDos(false), 0x140));
        Write(out / target, "mkdos", Seed(2, MicroDos(true), 0x140));
        Write(out / target, "andos", Seed(3, Andos(), 0x600));
        Write(out / target, "raw-mkdos", Seed(0, MicroDos(true), 0));
        Write(out / target, "raw-andos", Seed(0, Andos(), 0));
        if (argc > 2 && fs::exists(argv[2])) {
            for (const auto& entry : fs::directory_iterator(argv[2])) {
                if (entry.path().extension() == ".md")
                    continue;
                std::ifstream in(entry.path(), std::ios::binary);
                const Bytes image{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
                Write(out / target, "real-" + entry.path().filename().string(), Seed(0, image, 0));
            }
        }
    }
    Write(out / "drop", "narrow", BuildDropBlock({"/tmp/a.img", "/tmp/b/C.BKD"}));
    Bytes wide = BuildDropBlock({});
    wide[16] = 1;
    wide.insert(wide.end() - 1, {'/', 0, 'x', 0, 0, 0});
    Write(out / "drop", "wide", wide);
    Write(out / "drop", "list", {'/', 'a', '\n', '/', 'b', '.', 'i', 'm', 'g'});
    Write(out / "viewer", "screen", Filled(300, 7));
    Write(out / "viewer", "small",
          {0x40, 0x00, 0, 2, 0, 20, 0, 10, 1, 0, 1, 0, 2, 0, 30, 0, 9, 3, '4', '0', '0'});
    return 0;
}
