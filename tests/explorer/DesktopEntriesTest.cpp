// The desktop's text editor chosen from desktop entries and MIME associations on disk.
#include "DesktopEntries.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using Argv = std::vector<std::string>;

namespace {

class Desktop : public ::testing::Test {
protected:
    void Put(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }
    void Entry(const std::string& id, const std::string& keys) {
        Put(system.Path() / "applications" / id, "[Desktop Entry]\nType=Application\n" + keys);
    }
    std::optional<Argv> Opener(const std::string& path = "/tmp/ravelko-0/TEXT.TXT") {
        return GraphicalOpener("text/plain", path, {{config.Path()}, {user.Path(), system.Path()}});
    }

    testimg::TempDir config, user, system;
};

} // namespace

TEST_F(Desktop, DefaultEditorWhenItHasAWindow) {
    Entry("mousepad.desktop", "Exec=mousepad %F\n");
    Entry("gedit.desktop", "Exec=gedit --new-window %U\n");
    Put(system.Path() / "applications" / "mimeinfo.cache",
        "[MIME Cache]\ntext/plain=mousepad.desktop;gedit.desktop;\n");
    EXPECT_EQ(Opener(), (Argv{"mousepad", "/tmp/ravelko-0/TEXT.TXT"}));
    Put(config.Path() / "mimeapps.list",
        "[Default Applications]\ntext/html=x.desktop\ntext/plain=gedit.desktop\n");
    EXPECT_EQ(Opener(), (Argv{"gedit", "--new-window", "/tmp/ravelko-0/TEXT.TXT"}));
}

TEST_F(Desktop, TerminalAndHiddenEditorsArePassedOver) {
    Entry("vim.desktop", "Exec=vim %F\nTerminal=true\n");
    Entry("old.desktop", "Exec=old %f\nHidden=true\n");
    Entry("kate.desktop", "Exec=\"/opt/my apps/kate\" -b %u --title=\"A \\\"q\\\"\" %%x %i\n");
    Put(config.Path() / "mimeapps.list",
        "[Default Applications]\ntext/plain=vim.desktop;missing.desktop\n"
        "[Added Associations]\ntext/plain=old.desktop;kate.desktop;\n");
    EXPECT_EQ(Opener("/t/a b"),
              (Argv{"/opt/my apps/kate", "-b", "/t/a b", "--title=A \"q\"", "%x"}));
}

TEST_F(Desktop, NoneWithoutAGraphicalEditor) {
    EXPECT_FALSE(Opener());
    Entry("vim.desktop", "Exec=vim %F\nTerminal=true\n");
    Put(user.Path() / "applications" / "mimeapps.list",
        "[Default Applications]\ntext/plain=vim.desktop\n");
    EXPECT_FALSE(Opener());
}
