#include "FuzzTargets.h"

#include "CatalogView.h"
#include "Export.h"
#include "MountTree.h"
#include "CatalogWalk.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

void Touch(const uint8_t* bytes, int length) {
    unsigned sum = 0;
    for (int i = 0; i < length; ++i)
        sum += bytes[i]; // every byte handed out must be readable
    (void)sum;
}

// Reads every entry a walk meets, by the cursor and by name, and enters every directory
// by name as the window does, checking what the window relies on.
class CheckingVisitor : public CatalogVisitor {
public:
    Next VisitFile(CDiskImage& image, const WalkStep& step) override {
        CheckEntry(image);
        const uint8_t* bytes = nullptr;
        int address = 0, length = 0;
        if (image.ReadEntry(bytes, address, length))
            Touch(bytes, length);
        const int dir = image.GetCurrentDir();
        if (image.ReadFile(step.Name(), bytes, address, length))
            Touch(bytes, length);
        FUZZ_CHECK(image.GetCurrentDir() == dir);
        return Continue;
    }

    Next EnterDirectory(CDiskImage& image, const WalkStep& step) override {
        CheckEntry(image);
        if (image.ChangeDir(step.Name())) {
            const auto rows = BuildRows(image, 1);
            FUZZ_CHECK(image.IsRoot() || (!rows.empty() && rows.front().name == ".."));
        }
        return Continue;
    }

private:
    static void CheckEntry(CDiskImage& image) {
        FUZZ_CHECK(image.GetAddress() >= 0 && image.GetAddress() <= 0xFFFF);
        FUZZ_CHECK(image.GetLength() >= 0 && image.GetLength() <= 0xFFFF);
    }
};

} // namespace

void FuzzDiskImage(const uint8_t* data, size_t size) {
    auto image = CreateDiskImage("fuzz.img", ImageFrom(data, size));
    if (!image)
        return;
    image->GetFormatName();
    CheckingVisitor visitor;
    CatalogWalk(*image, visitor).Walk();
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
        selection.emplace_back(row.name, static_cast<int>(selection.size()));

    std::string pattern = (fs::temp_directory_path() / "bkfuzz-XXXXXX").string();
    FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    const fs::path parent = pattern;
    const fs::path folder = parent / "chosen";
    fs::create_directory(folder);
    ExportOptions options;
    options.addBinExtension = size % 2 == 0;
    options.existing = size % 3 == 0 ? ExistingFile::KeepBoth : ExistingFile::Replace;
    const ExportResult result = ExportSelection(image.get(), selection, folder, options);
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

namespace {

// Every node is found again by its path, and every file reads as many bytes as its size
// says (or fails as a whole), in two pieces.
void CheckMountNode(CMountTree& tree, uint32_t index, const std::string& path) {
    const CMountTree::Node& node = tree.At(index);
    FUZZ_CHECK(tree.Lookup(path) == &node);
    tree.EntryPath(node);
    for (const uint32_t child : tree.Children(node))
        CheckMountNode(tree, child, path + "/" + std::string(tree.Name(tree.At(child))));
    if (node.directory)
        return;
    const long long size = tree.FileSize(node);
    std::vector<uint8_t> first, rest;
    if (tree.Read(node, 0, static_cast<size_t>(size / 2), first)) {
        FUZZ_CHECK(tree.Read(node, size / 2, static_cast<size_t>(size), rest));
        FUZZ_CHECK(static_cast<long long>(first.size() + rest.size()) == size);
    }
}

} // namespace

void FuzzMount(const uint8_t* data, size_t size) {
    auto image = CreateDiskImage("fuzz.img", ImageFrom(data, size));
    if (!image)
        return;
    CMountTree tree(*image, size % 2 == 0);
    CheckMountNode(tree, 0, "");
    for (const char* path : {"/", "//", "/..", "/../x", "/./", "/nope/x"})
        tree.Lookup(path);
}
