// The RAM link against the host's real named shared memory, under names of the test's own.
#include "RamLink.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <map>
#include <random>

namespace {

using Clock = std::chrono::steady_clock;

// Objects named "<unique base><index>", removed when the test ends.
class RamObjects : public ::testing::Test {
protected:
    std::string base = "BKTEST_" + std::to_string(std::random_device{}()) + "_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_";

    uint8_t* Create(int index, int size = RAM_MAPPING_SIZE) {
        RamMapping& mapping = m_created[index];
        uint8_t* ram = CreateRamObject(FormatRamName(base, index), size, mapping);
        EXPECT_NE(ram, nullptr);
        m_sizes[index] = size;
        return ram;
    }

    bool Exists(int index) const { return RamObjectExists(FormatRamName(base, index)); }

#ifndef _WIN32
    // The object shrinks under its readers.
    void Shrink(int index) {
        ASSERT_EQ(ftruncate(m_created[index].handle, 100), 0);
    }
#endif

    void TearDown() override {
        for (auto& [index, mapping] : m_created)
            DestroyRamObject(FormatRamName(base, index), mapping, m_sizes[index]);
    }

private:
    std::map<int, RamMapping> m_created;
    std::map<int, int> m_sizes;
};

// Waits (a few seconds at most) until `count` reaches `wanted`.
bool WaitFor(const std::atomic<int>& count, int wanted) {
    const auto start = Clock::now();
    while (count < wanted && Clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return count >= wanted;
}

} // namespace

TEST_F(RamObjects, LowestWholeObjectBelowSixtyFourWinsAndProbesLeaveNothing) {
    Create(64);
    Create(1, 0x8000); // short at any page size: Windows rounds objects up to whole pages
    CRamLink link(base, nullptr);
    EXPECT_FALSE(link.AttachRam());
    EXPECT_EQ(link.GetRam(), nullptr);
    Create(7)[0] = 7;
    Create(3)[0] = 3;
    ASSERT_TRUE(link.AttachRam());
    ASSERT_NE(link.GetRam(), nullptr);
    EXPECT_EQ(link.GetRam()[0], 3);
    EXPECT_TRUE(link.AttachRam()); // held already
    for (int i : {0, 2, 4, 5, 6})
        EXPECT_FALSE(Exists(i)) << i;
}

TEST_F(RamObjects, TheMemoryFollowsTheEmulatorsWrites) {
    uint8_t* ram = Create(0);
    CRamLink link(base, nullptr);
    link.Start();
    ASSERT_TRUE(link.IsAttached());
    ram[0xFFFF] = 0x5A;
    EXPECT_EQ(link.ReadRam(), RamRead::Changed);
    EXPECT_EQ(link.GetRam()[0xFFFF], 0x5A);
    EXPECT_EQ(link.ReadRam(), RamRead::Unchanged);
}

// The watcher attaches to an emulator that starts later and tells it once; a link stopped
// while waiting ends at once, without a notice.
TEST_F(RamObjects, WatcherAttachesLaterAndStopsPromptly) {
    std::atomic<int> calls = 0;
    CRamLink link(base, [&] { ++calls; });
    link.Start();
    EXPECT_EQ(link.GetRam(), nullptr);
    Create(5)[1] = 55;
    ASSERT_TRUE(WaitFor(calls, 1));
    EXPECT_EQ(link.GetRam()[1], 55);
    EXPECT_EQ(calls, 1);

    auto waiting = std::make_unique<CRamLink>(base + "X", [&] { ++calls; });
    waiting->Start();
    const auto stop = Clock::now();
    waiting.reset();
    EXPECT_LT(Clock::now() - stop, std::chrono::milliseconds(WATCH_PERIOD_MS / 2));
    EXPECT_EQ(calls, 1);
}

// One object only, or the lowest, chosen while running; while there is none the watcher
// wakes every watch period only, live update or not.
TEST_F(RamObjects, WatchesTheIndexAskedForAndSleepsWhileThereIsNone) {
    Create(0);
    Create(3)[0] = 3;
    CRamLink link(base, nullptr);
    link.WatchIndex(3);
    EXPECT_EQ(link.AttachedName(), FormatRamName(base, 3));
    EXPECT_EQ(link.GetRam()[0], 3);
    EXPECT_EQ(link.ExistingIndices(), (std::vector<int>{0, 3}));
    link.WatchIndex(5);
    EXPECT_EQ(link.AttachedName(), "");
    EXPECT_EQ(link.WatchedIndex(), 5);
    link.WatchIndex(std::nullopt);
    EXPECT_EQ(link.AttachedName(), FormatRamName(base, 0));

    CRamLink none(base + "X", nullptr);
    none.SetLiveUpdate([](int, int) {});
    none.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(5 * WATCH_PERIOD_MS / 2));
    EXPECT_LE(none.WatcherWakeups(), 3u);
}

// Live update: a change of the visible bytes is told with where it is, one elsewhere is
// not.
TEST_F(RamObjects, LiveUpdateTellsChangesOfTheVisibleBytes) {
    uint8_t* ram = Create(0);
    std::atomic<int> changes = 0, first = 99, last = -1;
    CRamLink link(base, nullptr);
    link.SetVisibleRange(0x100, 16);
    link.SetLiveUpdate([&](int from, int to) { // the two writes may be seen in two looks
        first = std::min(first.load(), from), last = std::max(last.load(), to);
        ++changes;
    });
    link.Start();
    ram[0x200] = 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5 * LIVE_PERIOD_MS));
    EXPECT_EQ(changes, 0);
    ram[0x10F] = ram[0x103] = 1;
    EXPECT_TRUE(WaitFor(last, 15));
    EXPECT_EQ(first, 3); // the bytes changed, counted from the visible start
    link.SetLiveUpdate(nullptr);
    EXPECT_FALSE(link.IsLive());
}

#ifndef _WIN32
// An object that shrinks under the reader ends the link, never the program.
TEST_F(RamObjects, AShrunkObjectIsAGoneEmulator) {
    Create(0);
    std::atomic<int> detached = 0;
    CRamLink link(base, nullptr, [&] { ++detached; });
    ASSERT_TRUE(link.AttachRam());
    Shrink(0);
    EXPECT_EQ(link.ReadRam(), RamRead::NotAttached);
    EXPECT_EQ(detached, 1);
    EXPECT_EQ(link.GetRam(), nullptr);
}
#endif
