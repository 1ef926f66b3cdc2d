// Damaged and crafted disks are never changed: each fault of the table is found, named in
// words, and every change to the disk (add, make a directory, rename, remove with all it
// holds) is refused with the bytes left as they were; the image file is refused at once.
#include "DiskEditor.h"
#include "HostNames.h"
#include "ImageBuilders.h"
#include "ImageEdit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>

using namespace testimg;

namespace {

// A blank disk of the format with a file F1 of 3000 bytes, a file F2 of 600 and a
// directory D holding E, then the damage done to its bytes. `Entry` gives an entry's
// catalog index by name.
struct Crafted {
    const char* format;
    const char* what;
    std::function<void(Bytes& bytes, const std::function<int(const char*)>& entry)> damage;
    const char* fault;
};

int WordAt(const Bytes& bytes, int at) {
    return bytes.at(static_cast<size_t>(at)) | bytes.at(static_cast<size_t>(at) + 1) << 8;
}

void PutByte(Bytes& bytes, int at, int value) {
    bytes.at(static_cast<size_t>(at)) = static_cast<uint8_t>(value);
}

int MicroDosSlot(int index) {
    return 0x140 + 24 * index;
}
int AndosSlot(int index) {
    return 0xA00 + 32 * index;
}
int CsidosRecord(int index) {
    return (2 + index / 25) * 512 + 12 + index % 25 * 20;
}

Bytes MadeDisk(const char* formatName, std::function<int(const char*)>& entry,
               std::unique_ptr<CDiskEditor>& editor) {
    const auto formats = WritableFormats();
    const auto format = *std::find_if(formats.begin(), formats.end(), [&](const auto* f) {
        return std::string_view(f->name) == formatName;
    });
    editor = format->edit(format->Blank(), *format);
    EXPECT_EQ(editor->AddFile(editor->Disk().RootDir(), "F1", 01000, Filled(3000), false).error,
              EditError::None);
    EXPECT_EQ(editor->AddFile(editor->Disk().RootDir(), "F2", 01000, Filled(600), false).error,
              EditError::None);
    const EditResult dir = editor->MakeDirectory(editor->Disk().RootDir(), "D");
    const int inside = editor->Disk().Entries()[static_cast<size_t>(dir.index)].ownDir;
    EXPECT_EQ(editor->AddFile(inside, "E", 01000, Filled(10), false).error, EditError::None);
    entry = [&editor](const char* name) { // CSIDOS names files in lower case
        for (const DiskEntry& e : editor->Disk().Entries()) {
            if (std::equal(e.name.begin(), e.name.end(), name, name + std::string_view(name).size(),
                           [](char a, char b) { return std::toupper(a) == std::toupper(b); }))
                return e.index;
        }
        return -1;
    };
    return editor->Bytes();
}

const Crafted kCases[] = {
    {"MKDOS", "a file in the catalog's blocks",
     [](Bytes& b, const auto& entry) { PutWord(b, MicroDosSlot(entry("F2")) + 020, 12); },
     "F2 lies in blocks 12\xE2\x80\x93"
     "13, the disk's header and catalog"},
    {"MicroDOS", "two files on the same blocks",
     [](Bytes& b, const auto& entry) {
         PutWord(b, MicroDosSlot(entry("F2")) + 020,
                 WordAt(b, MicroDosSlot(entry("F1")) + 020) + 2);
     },
     "F1 and F2 share blocks 22\xE2\x80\x93"
     "23"},
    {"MKDOS", "a file past the disk's end",
     [](Bytes& b, const auto& entry) { PutWord(b, MicroDosSlot(entry("F2")) + 020, 1599); },
     "F2 runs past the end of the disk"},
    {"MicroDOS", "a directory inside itself",
     [](Bytes& b, const auto& entry) {
         PutByte(b, MicroDosSlot(entry("D")) + 1, b[MicroDosSlot(entry("D"))]);
     },
     "directory D lies inside itself"},
    {"ANDOS", "two chains through the same clusters",
     [](Bytes& b, const auto& entry) {
         const int first = WordAt(b, AndosSlot(entry("F1")) + 26);
         PutWord(b, AndosSlot(entry("F2")) + 26, first + 1);
     },
     "F1 and F2 share cluster 3"},
    {"ANDOS", "FAT copies that differ", [](Bytes& b, const auto&) { PutByte(b, 0x200 + 30, 0x12); },
     "the two copies of its FAT differ"},
    {"ANDOS", "a chain in a loop",
     [](Bytes& b, const auto& entry) {
         const int first = WordAt(b, AndosSlot(entry("F1")) + 26); // clusters 2, 3: 3 -> 2
         for (const int fat : {0x200, 0x600})
             PutWord(b, fat + 4, (WordAt(b, fat + 4) & 0x000F) | first << 4);
     },
     "the chain of clusters of F1 runs in a loop"},
    {"ANDOS", "a directory inside itself",
     [](Bytes& b, const auto& entry) {
         PutByte(b, AndosSlot(entry("D")) + 21, b[AndosSlot(entry("D")) + 20]);
     },
     "directory D lies inside itself"},
    {"CSIDOS", "a directory numbered 0",
     [](Bytes& b, const auto& entry) { PutByte(b, CsidosRecord(entry("D")) + 13, 0); },
     "directory D has the number 0, outside 2\xE2\x80\x93"
     "200"},
    {"CSIDOS", "a directory numbered 250",
     [](Bytes& b, const auto& entry) { PutByte(b, CsidosRecord(entry("D")) + 13, 250); },
     "directory D has the number 250, outside 2\xE2\x80\x93"
     "200"},
    {"CSIDOS", "a directory's record with a file's blocks",
     [](Bytes& b, const auto& entry) { PutWord(b, CsidosRecord(entry("D")) + 18, 512); },
     "the record of D is a directory's, with a file's blocks"},
    {"CSIDOS", "a directory inside itself",
     [](Bytes& b, const auto& entry) {
         PutByte(b, CsidosRecord(entry("D")), b[CsidosRecord(entry("D")) + 13]);
     },
     "directory D lies inside itself"},
};

} // namespace

TEST(LayoutFaults, DamagedDisksAreNamedAndNeverChanged) {
    TempDir dir;
    for (const Crafted& c : kCases) {
        SCOPED_TRACE(std::string(c.format) + ": " + c.what);
        std::function<int(const char*)> entry;
        std::unique_ptr<CDiskEditor> made;
        Bytes bytes = MadeDisk(c.format, entry, made);
        c.damage(bytes, entry);
        auto editor = EditDisk(bytes);
        ASSERT_TRUE(editor);
        const auto faults = editor->LayoutFaults();
        ASSERT_FALSE(faults.empty());
        EXPECT_EQ(LayoutFaultText(faults.front()), c.fault);
        const int root = editor->Disk().RootDir();
        const int d = entry("D");
        EXPECT_EQ(editor->AddFile(root, "NEW", 01000, Filled(100), false).error,
                  EditError::UnknownLayout);
        EXPECT_EQ(editor->MakeDirectory(root, "NEWDIR").error, EditError::UnknownLayout);
        EXPECT_EQ(editor->Rename(entry("F1"), "G1").error, EditError::UnknownLayout);
        EXPECT_EQ(editor->Remove(d, true).error, EditError::UnknownLayout);
        EXPECT_EQ(editor->Bytes(), bytes);

        const std::string path = dir.Write("crafted.img", bytes);
        std::string error;
        EXPECT_FALSE(CImageFileEdit::Open(path, error));
        EXPECT_EQ(error, LayoutRefusalText(faults.front()));
        EXPECT_EQ(ReadAll(PathFromUtf8(path)), bytes);
    }
}
