// Inputs the fuzzers found interesting (crashes fixed since, and hand-made hostile
// cases), replayed through the targets' own bodies on every test run.
#include "FuzzTargets.h"
#include "Replay.h"

TEST(FuzzReplay, DiskImages) {
    EXPECT_GT(ReplayInputs("disk", FuzzDiskImage), 0);
}
TEST(FuzzReplay, Mount) {
    EXPECT_GT(ReplayInputs("disk", FuzzMount), 0);
}
TEST(FuzzReplay, Export) {
    EXPECT_GT(ReplayInputs("export", FuzzExport), 0);
}
TEST(FuzzReplay, DiskEdits) {
    EXPECT_GT(ReplayInputs("edits", FuzzDiskEdits), 0);
}
TEST(FuzzReplay, DropBlocks) {
    EXPECT_GT(ReplayInputs("drop", FuzzDropBlocks), 0);
}
