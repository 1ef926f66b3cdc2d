// The link to the emulator's RAM: a named shared-memory object of 65552 bytes whose
// first 65536 are the computer's memory. The viewer opens it read-only and never writes.
#pragma once

#include "SharedMemory.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

constexpr int RAM_MAPPING_SIZE = 0x10010;
constexpr int RAM_SIZE = 0x10000;
constexpr int RAM_NAME_SUFFIXES = 64;
constexpr int WATCH_PERIOD_MS = 200;
constexpr int LIVE_PERIOD_MS = 40; // live update looks 25 times a second

// base + index in "%i" form: "ZELMARIN_RAM0" ... "ZELMARIN_RAM63".
std::string FormatRamName(const std::string& base, int index);

// An auto-reset event: a wait ends early when it is set, and consumes the setting.
class CStopEvent {
public:
    void Set();
    // True when the event was set before `ms` milliseconds passed.
    bool Wait(int ms);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_set = false;
};

enum class RamRead { NotAttached, Unchanged, Changed };

class CRamLink {
public:
    // `baseName` names the objects (the string table's "ZELMARIN_RAM" in the program; a
    // name of their own in tests). The watcher thread runs `onAttachedLater` when it
    // attaches after start-up (also to an emulator started again), `onDetached` when the
    // emulator's object went away; the window turns them into notices on the main thread.
    CRamLink(std::string baseName, std::function<void()> onAttachedLater,
             std::function<void()> onDetached = {});
    // Stops the watcher, waits for it to end, then releases the object.
    ~CRamLink();
    CRamLink(const CRamLink&) = delete;
    CRamLink& operator=(const CRamLink&) = delete;

    // Attaches now if the emulator is there, and starts the watcher, which follows the
    // emulator's lifetime from then on.
    void Start();
    // True when an object is held: held already, or the one watched opened now (its
    // memory read at once).
    bool AttachRam();
    // Which object to watch: one index only, or none for the lowest that exists (at
    // start). The object held is let go and the one asked for looked for at once.
    void WatchIndex(std::optional<int> index);
    std::optional<int> WatchedIndex();
    // The name of the object held; empty while none is.
    std::string AttachedName();
    // The indices whose objects exist now.
    std::vector<int> ExistingIndices() const;
    // How often the watcher has woken: its idle cost, for tests and benchmarks.
    unsigned WatcherWakeups() const { return m_wakeups; }
    // Reads the emulator's memory afresh into the link's own copy. A read that cannot
    // complete counts as the emulator gone: the object is released.
    RamRead ReadRam();
    // The copy of the computer's 64 KB as last read, or null while not attached.
    const uint8_t* GetRam();
    bool IsAttached();

    // Live update: the watcher reads the memory every LIVE_PERIOD_MS into a buffer of its
    // own and calls `onChanged` with the first and last changed byte, counted from the
    // visible range's start, when the visible bytes differ from its previous look. The
    // window's thread sleeps meanwhile.
    using ChangeHandler = std::function<void(int first, int last)>;
    void SetLiveUpdate(ChangeHandler onChanged);
    bool IsLive() const { return m_live; }
    void SetVisibleRange(uint16_t address, int count);

private:
    void WatchRamThread();
    void LookForChanges();
    // With m_ramLock held.
    bool AttachLocked();
    void DetachLocked();

    const std::string m_strRamName;
    const std::function<void()> m_onAttachedLater;
    const std::function<void()> m_onDetached;
    std::string m_strAttachedName;
    std::optional<int> m_index;
    RamMapping m_hRamMapping;
    std::vector<uint8_t> m_copy;
    std::vector<uint8_t> m_fresh;
    // The watcher's own: live update's looks, the latest and the one before.
    std::vector<uint8_t> m_look;
    std::vector<uint8_t> m_lastLook;
    ChangeHandler m_onChanged;
    std::atomic<bool> m_live{false};
    std::atomic<unsigned> m_wakeups{0};
    std::atomic<unsigned> m_visibleAddress{0};
    std::atomic<int> m_visibleCount{0};
    CStopEvent m_stopEvent;
    std::unique_ptr<std::thread> m_pWatchThread;
    std::mutex m_ramLock;
};
