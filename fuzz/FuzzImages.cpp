#include "FuzzTargets.h"

#include "CatalogView.h"
#include "Export.h"
#include "SelectionList.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

void PutWord(std::vector<uint8_t>& image, size_t offset, int word) {
    image[offset] = static_cast<uint8_t>(word);
    image[offset + 1] = static_cast<uint8_t>(word >> 8);
}

// The image the input describes: raw, or a header with the format's marks followed by
// the input from where the format's tables begin (MicroDOS catalog; ANDOS FAT).
std::vector<uint8_t> ImageFrom(const uint8_t* data, size_t size) {
    if (size == 0)
        return {};
    const int mode = data[0] % 4;
    ++data, --size;
    if (mode == 0)
        return {data, data + size};
    const size_t start = mode == 3 ? 0x600 : 0x140;
    std::vector<uint8_t> image(start, 0);
    image.insert(image.end(), data, data + size);
    if (mode == 3) {
        const char label[] = "ANDOS  ";
        std::copy(label, label + 8, image.begin() + 4);
    } else {
        PutWord(image, 0x100, 0xA72E);
        PutWord(image, 0x102, mode == 2 ? 0x530C : 0);
    }
    return image;
}

// Lists and reads the current directory, then enters each subdirectory once.
void Walk(CDiskImage& image, std::set<int>& entered, int depth) {
    const auto rows = BuildRows(image, 1);
    FUZZ_CHECK(image.IsRoot() || (!rows.empty() && rows.front().name == ".."));
    for (bool more = image.FindFirst(); more; more = image.FindNext()) {
        const std::string name = image.GetName();
        FUZZ_CHECK(image.GetAddress() >= 0 && image.GetAddress() <= 0xFFFF);
        FUZZ_CHECK(image.GetLength() >= 0 && image.GetLength() <= 0xFFFF);
        image.PushPosition();
        const int dir = image.GetCurrentDir();
        if (image.IsDirectory()) {
            if (depth < 16 && image.ChangeDir(name) && entered.insert(image.GetCurrentDir()).second)
                Walk(image, entered, depth + 1);
            image.ChangeDir("..");
        } else {
            const uint8_t* bytes = nullptr;
            int address = 0, length = 0;
            if (image.ReadFile(name, bytes, address, length)) {
                unsigned sum = 0;
                for (int i = 0; i < length; ++i)
                    sum += bytes[i]; // every byte handed out must be readable
                (void)sum;
            }
            FUZZ_CHECK(image.GetCurrentDir() == dir);
        }
        image.PopPosition();
        FUZZ_CHECK(image.GetCurrentDir() == dir);
        FUZZ_CHECK(image.GetName() == name); // the cursor is back on the entry
    }
}

} // namespace

void FuzzDiskImage(const uint8_t* data, size_t size) {
    auto image = CreateDiskImage("fuzz.img", ImageFrom(data, size));
    if (!image)
        return;
    image->GetFormatName();
    std::set<int> entered{0};
    Walk(*image, entered, 0);
    FUZZ_CHECK(image->IsRoot());
    image->PopPosition(); // with empty stacks nothing changes
    FUZZ_CHECK(image->IsRoot());
}

void FuzzExport(const uint8_t* data, size_t size) {
    auto image = CreateDiskImage("fuzz.img", ImageFrom(data, size));
    if (!image)
        return;
    Selection selection;
    for (const auto& row : BuildRows(*image, 1))
        selection.push_back(row.name);
    std::vector<std::string> list;
    CollectSelection(image.get(), selection, list);

    std::string pattern = (fs::temp_directory_path() / "bkfuzz-XXXXXX").string();
    FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    const fs::path parent = pattern;
    const fs::path folder = parent / "chosen";
    fs::create_directory(folder);
    const ExportResult result = ExportSelection(image.get(), selection, folder, size % 2 == 0);
    for (const auto& written : result.written) {
        const fs::path inside = written.lexically_normal().lexically_relative(folder);
        FUZZ_CHECK(!inside.empty() && *inside.begin() != "..");
    }
    int beside = 0;
    for (const auto& entry : fs::directory_iterator(parent))
        beside += entry.path() != folder;
    FUZZ_CHECK(beside == 0);
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        FUZZ_CHECK(!entry.is_symlink());
    fs::remove_all(parent);
}
