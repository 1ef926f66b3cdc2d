#include "TempCopies.h"

#include <algorithm>

namespace fs = std::filesystem;

CTempCopies::CTempCopies(fs::path folder) : m_folder(std::move(folder)) {}

// remove_all takes a link away without following it. A copy still open in a program on
// Windows stays; the next start takes it once it is old.
CTempCopies::~CTempCopies() {
    for (const fs::path& copy : m_copies) {
        std::error_code ignored;
        fs::remove_all(copy, ignored);
    }
}

void CTempCopies::Remember(const fs::path& copy) {
    if (copy.parent_path() == m_folder && !copy.filename().empty() &&
        std::find(m_copies.begin(), m_copies.end(), copy) == m_copies.end())
        m_copies.push_back(copy);
}

void RemoveStaleCopies(const fs::path& folder, std::chrono::hours age) {
    const auto before = fs::file_time_type::clock::now() - age;
    std::error_code error;
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code unknown;
        if (const auto written = it->last_write_time(unknown); !unknown && written < before)
            stale.push_back(it->path());
    }
    for (const fs::path& path : stale)
        fs::remove_all(path, error);
}
