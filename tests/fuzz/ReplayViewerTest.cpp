#include "FuzzTargets.h"
#include "Replay.h"

TEST(FuzzReplay, Viewer) {
    EXPECT_GT(ReplayInputs("viewer", FuzzViewer), 0);
}
