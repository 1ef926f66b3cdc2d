#include "RamLink.h"

#include <algorithm>
#include <chrono>

std::string FormatRamName(const std::string& base, int index) {
    return base + std::to_string(index);
}

void CStopEvent::Set() {
    {
        std::lock_guard lock(m_mutex);
        m_set = true;
    }
    m_changed.notify_all();
}

bool CStopEvent::Wait(int ms) {
    std::unique_lock lock(m_mutex);
    const bool set =
        m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_set; });
    m_set = false;
    return set;
}

CRamLink::CRamLink(std::string baseName, std::function<void()> onAttachedLater,
                   std::function<void()> onDetached)
    : m_strRamName(std::move(baseName)), m_onAttachedLater(std::move(onAttachedLater)),
      m_onDetached(std::move(onDetached)), m_copy(RAM_SIZE), m_fresh(RAM_SIZE), m_look(RAM_SIZE),
      m_lastLook(RAM_SIZE) {}

CRamLink::~CRamLink() {
    m_stopEvent.Set();
    if (m_pWatchThread)
        m_pWatchThread->join();
    CloseRamObject(m_hRamMapping, RAM_MAPPING_SIZE);
}

void CRamLink::SetLiveUpdate(ChangeHandler onChanged) {
    // Set before Start, or while the watcher may read it: under the lock it takes.
    std::lock_guard lock(m_ramLock);
    m_onChanged = std::move(onChanged);
    m_live = static_cast<bool>(m_onChanged);
}

void CRamLink::SetVisibleRange(uint16_t address, int count) {
    m_visibleAddress = address;
    m_visibleCount = count;
}

void CRamLink::Start() {
    AttachRam();
    m_pWatchThread = std::make_unique<std::thread>(&CRamLink::WatchRamThread, this);
}

bool CRamLink::AttachRam() {
    std::lock_guard lock(m_ramLock);
    return AttachLocked();
}

void CRamLink::WatchIndex(std::optional<int> index) {
    std::lock_guard lock(m_ramLock);
    m_index = index;
    DetachLocked();
    AttachLocked();
}

std::optional<int> CRamLink::WatchedIndex() {
    std::lock_guard lock(m_ramLock);
    return m_index;
}

std::string CRamLink::AttachedName() {
    std::lock_guard lock(m_ramLock);
    return m_hRamMapping.handle != kNoRamHandle ? m_strAttachedName : std::string();
}

std::vector<int> CRamLink::ExistingIndices() const {
    std::vector<int> indices;
    for (int i = 0; i < RAM_NAME_SUFFIXES; ++i) {
        if (RamObjectExists(FormatRamName(m_strRamName, i)))
            indices.push_back(i);
    }
    return indices;
}

bool CRamLink::AttachLocked() {
    if (m_hRamMapping.handle != kNoRamHandle)
        return true;
    const int first = m_index.value_or(0), end = m_index ? *m_index + 1 : RAM_NAME_SUFFIXES;
    for (int i = first; i < end; ++i) {
        const std::string name = FormatRamName(m_strRamName, i);
        if (!OpenRamObject(name, RAM_MAPPING_SIZE, m_hRamMapping))
            continue;
        if (ReadRamObject(m_hRamMapping, m_copy.data(), RAM_SIZE)) {
            m_strAttachedName = name;
            return true;
        }
        CloseRamObject(m_hRamMapping, RAM_MAPPING_SIZE); // it shrank meanwhile
    }
    return false;
}

void CRamLink::DetachLocked() {
    CloseRamObject(m_hRamMapping, RAM_MAPPING_SIZE);
    m_strAttachedName.clear();
}

RamRead CRamLink::ReadRam() {
    bool gone = false;
    RamRead result = RamRead::NotAttached;
    {
        std::lock_guard lock(m_ramLock);
        if (m_hRamMapping.handle == kNoRamHandle)
            return RamRead::NotAttached;
        if (!ReadRamObject(m_hRamMapping, m_fresh.data(), RAM_SIZE)) {
            DetachLocked();
            gone = true;
        } else if (m_fresh != m_copy) {
            m_copy.swap(m_fresh);
            result = RamRead::Changed;
        } else {
            result = RamRead::Unchanged;
        }
    }
    if (gone && m_onDetached)
        m_onDetached();
    return result;
}

const uint8_t* CRamLink::GetRam() {
    std::lock_guard lock(m_ramLock);
    return m_hRamMapping.handle != kNoRamHandle ? m_copy.data() : nullptr;
}

bool CRamLink::IsAttached() {
    return GetRam() != nullptr;
}

// Every watch period: while attached, whether the emulator's object is still the one
// held; while not, whether an emulator has come. With live update and an emulator, every
// live period a look at the memory too.
void CRamLink::WatchRamThread() {
    constexpr int kLooksPerWatch = WATCH_PERIOD_MS / LIVE_PERIOD_MS;
    for (int look = 0;;) {
        const bool looking = m_live && IsAttached();
        if (m_stopEvent.Wait(looking ? LIVE_PERIOD_MS : WATCH_PERIOD_MS))
            break;
        ++m_wakeups;
        if (looking) {
            LookForChanges();
            if (++look % kLooksPerWatch != 0)
                continue;
        }
        bool attached = false, detached = false;
        {
            std::lock_guard lock(m_ramLock);
            if (m_hRamMapping.handle == kNoRamHandle) {
                attached = AttachLocked();
            } else if (!IsCurrentRamObject(m_strAttachedName, m_hRamMapping, RAM_MAPPING_SIZE)) {
                DetachLocked();
                detached = true;
            }
        }
        if (detached && m_onDetached)
            m_onDetached();
        if (attached && m_onAttachedLater)
            m_onAttachedLater();
    }
}

void CRamLink::LookForChanges() {
    ChangeHandler notify;
    {
        std::lock_guard lock(m_ramLock);
        if (m_hRamMapping.handle == kNoRamHandle ||
            !ReadRamObject(m_hRamMapping, m_look.data(), RAM_SIZE))
            return; // a failed read is the lifetime check's, or the next paint's, to tell
        notify = m_onChanged;
    }
    const unsigned address = m_visibleAddress;
    const int count = std::min(m_visibleCount.load(), RAM_SIZE);
    const auto changed = [&](int i) {
        const size_t at = (address + static_cast<unsigned>(i)) & 0xFFFF;
        return m_look[at] != m_lastLook[at];
    };
    int first = 0, last = count - 1;
    while (first < count && !changed(first))
        ++first;
    while (last > first && !changed(last))
        --last;
    m_look.swap(m_lastLook);
    if (first < count && notify)
        notify(first, last);
}
