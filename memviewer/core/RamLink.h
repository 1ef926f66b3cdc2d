// The link to the emulator's RAM: a named shared-memory object of 65552 bytes whose
// first 65536 are the computer's memory. The viewer opens it read-only and never writes.
#pragma once

#include "SharedMemory.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

constexpr int RAM_MAPPING_SIZE = 0x10010;
constexpr int RAM_NAME_SUFFIXES = 64;
constexpr int WATCH_PERIOD_MS = 200;

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

class CRamLink {
public:
    // `baseName` names the objects (the string table's "ZELMARIN_RAM" in the program; a
    // name of their own in tests). `onAttachedLater` runs on the watcher thread when it
    // attaches after start-up; the window turns it into its notice on the main thread.
    CRamLink(std::string baseName, std::function<void()> onAttachedLater);
    // Stops the watcher, waits for it to end, then releases the mapping.
    ~CRamLink();
    CRamLink(const CRamLink&) = delete;
    CRamLink& operator=(const CRamLink&) = delete;

    // Attaches now if the emulator is there; otherwise starts the watcher.
    void Start();
    // True when a mapping is held: held already, or the lowest existing index opened now.
    bool AttachRam();
    // The computer's 64 KB, or null while not attached (or if the view could not be mapped).
    const uint8_t* GetRam();
    bool IsWatching() const { return m_pWatchThread != nullptr; }

private:
    void WatchRamThread();

    const std::string m_strRamName;
    const std::function<void()> m_onAttachedLater;
    RamMapping m_hRamMapping;
    const uint8_t* m_pRam = nullptr;
    CStopEvent m_stopEvent;
    std::unique_ptr<std::thread> m_pWatchThread;
    std::mutex m_ramLock;
};
