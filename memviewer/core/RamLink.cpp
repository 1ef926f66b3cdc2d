#include "RamLink.h"

#include <chrono>

std::string FormatRamName(const std::string& base, int index) { return base + std::to_string(index); }

void CStopEvent::Set() {
    {
        std::lock_guard lock(m_mutex);
        m_set = true;
    }
    m_changed.notify_all();
}

bool CStopEvent::Wait(int ms) {
    std::unique_lock lock(m_mutex);
    const bool set = m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_set; });
    m_set = false;
    return set;
}

CRamLink::CRamLink(std::string baseName, std::function<void()> onAttachedLater)
    : m_strRamName(std::move(baseName)), m_onAttachedLater(std::move(onAttachedLater)) {}

CRamLink::~CRamLink() {
    m_stopEvent.Set();
    if (m_pWatchThread)
        m_pWatchThread->join();
    CloseRamObject(m_hRamMapping, RAM_MAPPING_SIZE);
}

void CRamLink::Start() {
    if (!AttachRam())
        m_pWatchThread = std::make_unique<std::thread>(&CRamLink::WatchRamThread, this);
}

bool CRamLink::AttachRam() {
    if (m_hRamMapping.handle != kNoRamHandle)
        return true;
    for (int i = 0; i < RAM_NAME_SUFFIXES; ++i) {
        if (OpenRamObject(FormatRamName(m_strRamName, i), RAM_MAPPING_SIZE, m_hRamMapping)) {
            m_pRam = m_hRamMapping.view;
            return true;
        }
    }
    return false;
}

const uint8_t* CRamLink::GetRam() {
    std::lock_guard lock(m_ramLock);
    return m_pRam;
}

void CRamLink::WatchRamThread() {
    while (!m_stopEvent.Wait(WATCH_PERIOD_MS)) {
        bool attached;
        {
            std::lock_guard lock(m_ramLock);
            attached = AttachRam();
        }
        if (attached) {
            if (m_onAttachedLater)
                m_onAttachedLater();
            return;
        }
    }
}
