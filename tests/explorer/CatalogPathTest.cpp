// Command-line catalog paths: what people type, what bkdisk prints, and that every
// printed path leads back to its own entry.
#include "CatalogPath.h"
#include "CatalogWalk.h"
#include "ImageBuilders.h"

#include <gtest/gtest.h>

using namespace testimg;

namespace {

std::vector<std::pair<std::string, int>> Parsed(const std::string& utf8) {
    std::vector<std::pair<std::string, int>> names;
    for (const auto& name : ParseCatalogPath(utf8))
        names.emplace_back(name.name, name.occurrence);
    return names;
}

// Checks, for every entry a walk meets, that its printed path resolves to it.
class RoundTrip : public CatalogVisitor {
public:
    RoundTrip() = default;
    Next VisitFile(CDiskImage& image, const WalkStep& step) override { return Check(image, step); }
    Next EnterDirectory(CDiskImage& image, const WalkStep& step) override {
        Check(image, step);
        m_prefixes.push_back(m_prefixes.back() + FormatPathName(step.Name(), step.Occurrence()) +
                             "/");
        return Continue;
    }
    void LeaveDirectory() override { m_prefixes.pop_back(); }
    int checked = 0;

private:
    Next Check(CDiskImage& image, const WalkStep& step) {
        const std::string path = m_prefixes.back() + FormatPathName(step.Name(), step.Occurrence());
        const auto found = ResolveCatalogPath(image, image.Root(), ParseCatalogPath(path));
        EXPECT_TRUE(found && found->entry == step.ref) << path;
        ++checked;
        return Continue;
    }
    std::vector<std::string> m_prefixes{""};
};

} // namespace

TEST(CatalogPath, TypedForms) {
    using P = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(Parsed("GAMES/ARCADE"), (P{{"GAMES", 1}, {"ARCADE", 1}}));
    EXPECT_EQ(Parsed("/GAMES//ARCADE/"), (P{{"GAMES", 1}, {"ARCADE", 1}}));
    EXPECT_EQ(Parsed("DRINK3/1.DEM\\X"),
              (P{{"DRINK3/1.DEM", 1}, {"X", 1}})); // backslashes: '/' is a letter
    EXPECT_EQ(Parsed("A%5CB/%25;3"), (P{{"A\\B", 1}, {"%", 3}}));
    EXPECT_EQ(Parsed("100%/X;0/Y;Z/%3B2"), (P{{"100%", 1}, {"X;0", 1}, {"Y;Z", 1}, {";2", 1}}));
    EXPECT_EQ(Parsed("\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB"), (P{{"\xC8\xC3\xD0\xDB", 1}}));
    EXPECT_EQ(Parsed(";1"), (P{{"", 1}}));
    EXPECT_EQ(Parsed(""), P{});
}

TEST(CatalogPath, PrintedForms) {
    EXPECT_EQ(FormatPathName("GAME", 1), "GAME");
    EXPECT_EQ(FormatPathName("A/B\\C%D;E", 1), "A%2FB%5CC%25D%3BE");
    EXPECT_EQ(FormatPathName("TAB\tLF\n", 2), "TAB%09LF%0A;2");
    EXPECT_EQ(FormatPathName("\xC8\xC3\xD0\xDB", 1), "\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB");
    EXPECT_EQ(FormatPathName("", 1), ";1");
    EXPECT_EQ(PrintableHostPath("/out/a\tb\n"), "/out/a%09b%0A");
}

// A plain name means the live entry even after a deleted one of that name (a file deleted,
// then added again); the deleted one comes after every live one.
TEST(CatalogPath, EveryPrintedPathLeadsBackToItsEntry) {
    MicroDosBuilder b(true);
    const int gone = b.File(0, "DUP", 0, Filled(1));
    b.Image()[static_cast<size_t>(gone)] = 0377;
    for (const char* name :
         {"A/B", "A\\B", "T\tX", "%41", "X;2", "DUP", "dup", "DUP", "    ", ".."})
        b.File(0, name, 0, Filled(1));
    b.Dir(1, 0, "DUP");
    b.File(1, "DUP", 0, Filled(1));
    b.Dir(2, 1, "DUP"); // nested directories of one name
    b.File(2, "DUP", 0, Filled(1));
    auto image = CreateDiskImage("t.img", b.Image());
    RoundTrip check;
    CatalogWalk(*image, check).Walk(image->Root());
    EXPECT_EQ(check.checked, 15);
    const auto resolve = [&](const char* path) {
        return ResolveCatalogPath(*image, image->Root(), ParseCatalogPath(path));
    };
    ASSERT_TRUE(resolve("DUP") && resolve("DUP;5"));
    EXPECT_FALSE(image->Entry(resolve("DUP")->entry).deleted);
    EXPECT_TRUE(image->Entry(resolve("DUP;5")->entry).deleted);
    EXPECT_FALSE(resolve("DUP;6"));
    EXPECT_FALSE(resolve("DUP/DUP")); // the first DUP is a file
    const auto nested = resolve("DUP;4/DUP;2/DUP");
    ASSERT_TRUE(nested);
    EXPECT_FALSE(nested->isDirectory);
    EXPECT_EQ(nested->directory, (Place{0, 2}));
}
