#include "ExportTree.h"

namespace testimg {

const Bytes kExportText = {'L', 'i', 'n', 'e', 0x0D, 0x0A, 0xE1, 0xC1, 0x0A};

std::unique_ptr<CDiskImage> ExportTree() {
    MicroDosBuilder b(true);
    b.File(0, "GAME", 01000, Filled(0100));
    b.File(0, "TEXT.TXT", 01000, kExportText);
    b.File(0, "ZERO", 01000, {});
    b.Dir(1, 0, "A");
    b.File(1, "F", 02000, Filled(5));
    b.Dir(2, 1, "B");
    b.File(2, "G", 03000, Filled(7));
    b.Dir(3, 0, "D.1");
    b.File(3, "GAME", 04000, Filled(9));
    return CreateDiskImage("tree.img", b.Image());
}

} // namespace testimg
