// Directory change, parent lookup and file lookup: the same rules over all three layouts.
#include "ImageBuilders.h"
#include "Listing.h"

#include <gtest/gtest.h>

using namespace testimg;

namespace {

// One tree, built in the layout of the test's parameter:
//   GAME, DIR\ (TEXT.TXT, SUB\ (DEEP)), TWIN, TWIN, SUB\ (OTHER), EMPTY\  -- SUB appears twice.
struct Node {
    int own; // a directory's own number; 0 for a file
    int holding;
    const char* name;
    const char* extension = "";
    int address = 0;
    Bytes data = {};
};

Bytes BuildTree(ImageFormat format) {
    const Node tree[] = {{0, 0, "GAME", "", 01000, Filled(64)},
                         {1, 0, "DIR"},
                         {0, 1, "TEXT", "TXT", 02000, Filled(10, 'a')},
                         {2, 1, "SUB"},
                         {0, 2, "DEEP", "", 03000, Filled(3, 'x')},
                         {0, 0, "TWIN", "", 1, Filled(1, 1)},
                         {0, 0, "TWIN", "", 2, Filled(1, 2)},
                         {3, 0, "SUB"},
                         {0, 3, "OTHER", "", 0, Filled(2)},
                         {4, 0, "EMPTY"}};
    AndosBuilder andos;
    MicroDosBuilder microDos(format == FormatMkDos);
    for (const Node& n : tree) {
        const std::string extension = n.extension;
        if (format == FormatAndos && n.own)
            andos.Dir(n.own, n.holding, n.name);
        else if (format == FormatAndos)
            andos.File(n.holding, n.name, extension, n.address, n.data);
        else if (n.own)
            microDos.Dir(n.own, n.holding, n.name);
        else
            microDos.File(n.holding, n.name + (extension.empty() ? "" : "." + extension), n.address,
                          n.data);
    }
    return format == FormatAndos ? andos.Image() : microDos.Image();
}

class Navigation : public ::testing::TestWithParam<ImageFormat> {
protected:
    void SetUp() override {
        image = Load(BuildTree(GetParam()));
        ASSERT_TRUE(image);
    }
    std::unique_ptr<CDiskImage> image;
};

const std::vector<std::string> kRoot = {"GAME", "DIR", "TWIN", "TWIN", "SUB", "EMPTY"};

} // namespace

// Each step goes on from where the last one left; then the directory lists `names`.
TEST_P(Navigation, EntersAndLeavesDirectoriesFirstNameInTheCatalogWins) {
    using Names_ = std::vector<std::string>;
    const std::pair<const char*, Names_> steps[] = {
        {"..", kRoot},
        {"dir\\Sub", {"DEEP"}},
        {"..", {"TEXT.TXT", "SUB"}},
        {"..\\..\\..", kRoot},
        {"EMPTY", {}},
        {"", kRoot},
        {"SUB", {"DEEP"}}, // SUB inside DIR comes first in the catalog: entered from the root
        {"EMPTY", {}},
        {"DIR", {"TEXT.TXT", "SUB"}}};
    for (const auto& [path, names] : steps) {
        ASSERT_TRUE(image->ChangeDir(path)) << path;
        EXPECT_EQ(Names(*image), names) << path;
        EXPECT_EQ(image->IsRoot(), names == kRoot) << path;
    }
}

TEST_P(Navigation, FailedChangeLeavesDirectoryAndCursor) {
    ASSERT_TRUE(image->ChangeDir("DIR"));
    ASSERT_TRUE(image->FindFirst());
    ASSERT_TRUE(image->FindNext());
    for (const char* bad : {"TEXT.TXT", "NOWHERE", "SUB\\NOWHERE", "..\\GAME"}) {
        EXPECT_FALSE(image->ChangeDir(bad)) << bad;
        EXPECT_EQ(image->GetName(), "SUB") << bad;
        EXPECT_EQ(Names(*image), (std::vector<std::string>{"TEXT.TXT", "SUB"})) << bad;
        image->FindFirst();
        image->FindNext();
    }
}

TEST_P(Navigation, ReadFileByPathRestoresThePositionAndClearsOnFailure) {
    ASSERT_TRUE(image->FindFirst());
    ASSERT_TRUE(image->FindNext()); // on DIR
    const uint8_t* data = nullptr;
    int address = -1, length = -1;
    ASSERT_TRUE(image->ReadFile("DIR\\sub\\deep", data, address, length));
    EXPECT_EQ(std::vector<uint8_t>(data, data + length), Filled(3, 'x'));
    EXPECT_EQ(address, 03000);
    EXPECT_TRUE(image->IsRoot());
    EXPECT_EQ(image->GetName(), "DIR");
    EXPECT_EQ(Read(*image, "\\\\GAME"), Filled(64));
    EXPECT_EQ(Read(*image, "twin"), Filled(1, 1)); // the first of two equal names
    for (const char* bad : {"", "DIR\\", "DIR", "NOWHERE\\GAME", "MISSING", "EMPTY\\GAME"}) {
        data = reinterpret_cast<const uint8_t*>(bad);
        address = length = -1;
        EXPECT_FALSE(image->ReadFile(bad, data, address, length)) << bad;
        EXPECT_TRUE(!data && !address && !length && image->IsRoot()) << bad;
    }
    ASSERT_TRUE(image->ChangeDir("DIR"));
    EXPECT_EQ(Read(*image, "\\TEXT.TXT"), Filled(10, 'a'));
    EXPECT_FALSE(image->IsRoot());
}

INSTANTIATE_TEST_SUITE_P(AllFormats, Navigation,
                         ::testing::Values(FormatMicroDos, FormatMkDos, FormatAndos),
                         [](const auto& p) { return std::to_string(p.param); });
