#include "FuzzTargets.h"

#include "CatalogView.h"
#include "Export.h"
#include "MountTree.h"
#include "CatalogWalk.h"
#include "ImageBuilders.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testimg::PutWord;

// The marks of a format in front of the input, which then stands where the format's
// tables begin: the MicroDOS catalog, the ANDOS FAT, the CSIDOS catalog entries.
std::vector<uint8_t> FloppyFrom(ImageFormat format, const uint8_t* data, size_t size) {
    const size_t start = format == FormatAndos ? 0x600 : format == FormatCsidos ? 1024 + 12 : 0x140;
    std::vector<uint8_t> image(start, 0);
    image.insert(image.end(), data, data + size);
    switch (format) {
    case FormatAndos: {
        const char label[] = "ANDOS  ";
        std::copy(label, label + 8, image.begin() + 4);
        break;
    }
    case FormatCsidos:
        PutWord(image, 1024, 2);
        PutWord(image, 1026, 1600);
        PutWord(image, 1028, 0123123);
        PutWord(image, 1030, 0123123);
        image.resize(std::max<size_t>(image.size(), 5120));
        break;
    default:
        PutWord(image, 0x100, 0xA72E);
        PutWord(image, 0x102, format == FormatMkDos ? 0x530C : 0);
    }
    return image;
}

// The image the input describes: raw, a floppy of each format in the table, or the first
// of those inside a hard disk.
std::vector<uint8_t> ImageFrom(const uint8_t* data, size_t size) {
    if (size == 0)
        return {};
    const auto formats = FileSystemFormats();
    const size_t mode = data[0] % (formats.size() + 2);
    ++data, --size;
    if (mode == 0)
        return {data, data + size};
    if (mode <= formats.size())
        return FloppyFrom(formats[mode - 1].id, data, size);
    return testimg::HardDiskOf({FloppyFrom(formats[size % formats.size()].id, data, size)});
}

void Touch(const uint8_t* bytes, int length) {
    unsigned sum = 0;
    for (int i = 0; i < length; ++i)
        sum += bytes[i]; // every byte handed out must be readable
    (void)sum;
}

// Reads every entry a walk meets and enters every directory as the window does,
// checking what the window relies on.
class CheckingVisitor : public CatalogVisitor {
public:
    Next VisitFile(CDiskImage& image, const WalkStep& step) override {
        std::vector<uint8_t> bytes;
        if (image.Read(step.ref, bytes) == ReadFault::None)
            FUZZ_CHECK(bytes.size() == step.entry.length);
        Touch(bytes.data(), static_cast<int>(bytes.size()));
        return Continue;
    }

    Next EnterDirectory(CDiskImage& image, const WalkStep& step) override {
        if (const auto inside = image.Enter(step.ref)) {
            for (const EntryRef& ref : image.List(*inside))
                FUZZ_CHECK(image.Entry(ref).index == ref.index);
        }
        return Continue;
    }
};

} // namespace

void FuzzDiskImage(const uint8_t* data, size_t size) {
    auto image = CreateDiskImage("fuzz.img", ImageFrom(data, size));
    if (!image)
        return;
    image->GetFormatName();
    CheckingVisitor visitor;
    CatalogWalk(*image, visitor).Walk(image->Root());
    CatalogListing listing(*image);
    for (const EntryRef& ref : image->List(image->Root())) {
        if (!listing.Enter(ref) && listing.HasParentRow()) {
            FUZZ_CHECK(listing.Rows(1).front().name == "..");
            FUZZ_CHECK(listing.Back());
        }
    }
    FUZZ_CHECK(!listing.HasParentRow());
}

void FuzzExport(const uint8_t* data, size_t size) {
    auto image = CreateDiskImage("fuzz.img", ImageFrom(data, size));
    if (!image)
        return;
    const CatalogListing listing(*image);
    Selection selection;
    for (size_t row = 0; row < listing.Entries().size(); ++row)
        selection.push_back(static_cast<int>(row));

    std::string pattern = (fs::temp_directory_path() / "bkfuzz-XXXXXX").string();
    FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    const fs::path parent = pattern;
    const fs::path folder = parent / "chosen";
    fs::create_directory(folder);
    ExportOptions options;
    options.addBinExtension = size % 2 == 0;
    options.existing = size % 3 == 0 ? ExistingFile::KeepBoth : ExistingFile::Replace;
    const ExportResult result = ExportSelection(&listing, selection, folder, options);
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
    if (tree.Read(node, 0, static_cast<size_t>(size / 2), first) == ReadFault::None) {
        FUZZ_CHECK(tree.Read(node, size / 2, static_cast<size_t>(size), rest) == ReadFault::None);
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
