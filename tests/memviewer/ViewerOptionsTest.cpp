// Settings read back from storage, and the viewer's command line.
#include "ViewerOptions.h"

#include <gtest/gtest.h>

TEST(ViewerSettings, WhatCannotBeShownFallsBackToTheStart) {
    const ViewerSettings kept{040000, 5, false, false, 128, 800, 600};
    EXPECT_EQ(Checked(kept), kept);
    const ViewerSettings wrong{0x10000, 6, true, true, 100, 0, 600};
    EXPECT_EQ(Checked(wrong), (ViewerSettings{0, 0, true, true, 0, 0, 0}));
    EXPECT_EQ(Checked({-1, -1, true, true, -64, 100000, 100}), (ViewerSettings{}));
}

TEST(ViewerArgs, IndexNameHelpAndWhatIsWrong) {
    const std::string base = "ZELMARIN_RAM";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--index", "63", "--name", "MY_RAM"},
          std::vector<std::string>{"--index=63", "--name=MY_RAM"}}) {
        const auto parsed = ParseViewerArgs(args, base);
        EXPECT_EQ(parsed.index, 63);
        EXPECT_EQ(parsed.name, "MY_RAM");
        EXPECT_TRUE(parsed.error.empty());
    }
    EXPECT_EQ(ParseViewerArgs({}, base).name, base);
    EXPECT_TRUE(ParseViewerArgs({"--help"}, base).help);
    const std::pair<std::vector<std::string>, const char*> wrong[] = {
        {{"--index", "64"}, "bad value for --index: 64 (a decimal number from 0 to 63)"},
        {{"--index=x1"}, "bad value for --index: x1 (a decimal number from 0 to 63)"},
        {{"--index"}, "--index needs a value"},
        {{"--name", "a/b"},
         "bad value for --name: a/b (a name of 1 to 200 letters, digits, '_' or '-')"},
        {{"--bogus", "file"}, "unknown argument: --bogus"},
    };
    for (const auto& [args, shown] : wrong)
        EXPECT_EQ(ParseViewerArgs(args, base).error, std::string("tomsivar: ") + shown) << shown;
}
