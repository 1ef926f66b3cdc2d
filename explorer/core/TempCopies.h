// What a window copies into our temporary folder for other programs (files opened, text
// views, drags) lasts while the window does: nothing else of ours ever reads it again.
#pragma once

#include <chrono>
#include <filesystem>
#include <vector>

class CTempCopies {
public:
    explicit CTempCopies(std::filesystem::path folder);
    CTempCopies(const CTempCopies&) = delete;
    CTempCopies& operator=(const CTempCopies&) = delete;
    // Removes every copy remembered.
    ~CTempCopies();

    // A file or folder written into the folder itself; anything else is never removed.
    void Remember(const std::filesystem::path& copy);

private:
    std::filesystem::path m_folder;
    std::vector<std::filesystem::path> m_copies;
};

// Removes what lies in `folder` (our own temporary folder) unchanged for `age` or longer:
// copies of a window that ended without removing its own, long since read.
void RemoveStaleCopies(const std::filesystem::path& folder, std::chrono::hours age);
