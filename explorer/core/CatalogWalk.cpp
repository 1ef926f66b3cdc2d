#include "CatalogWalk.h"

#include "Cp1251.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

CatalogWalk::CatalogWalk(CDiskImage& image, CatalogVisitor& visitor)
    : m_image(image), m_visitor(visitor), m_entered(kDirectoryNumbers),
      m_contents(EntriesByDirectory(image)) {
    const int current = image.GetCurrentDir();
    if (IsDirectoryNumber(current))
        m_entered[static_cast<size_t>(current)] = true;
}

bool CatalogWalk::Walk(const std::optional<std::vector<int>>& selected) {
    m_image.PushPosition();
    const bool finished = WalkDirectory(selected ? &*selected : nullptr);
    m_image.PopPosition();
    return finished;
}

// Names are told apart by a hash of their folded form, so a directory of a million
// different names costs a sorted array, not a map of a million strings; only names whose
// hashes meet are compared as text.
std::vector<int> CatalogWalk::Occurrences(const std::vector<int>& contents) {
    const auto byHash = SortedByNameHash(m_image, contents);
    std::vector<int> occurrences(contents.size(), 1);
    const auto position = [&](int index) { // contents are ascending
        return static_cast<size_t>(std::lower_bound(contents.begin(), contents.end(), index) -
                                   contents.begin());
    };
    for (auto run = byHash.begin(); run != byHash.end();) {
        const auto end = std::find_if(run, byHash.end(),
                                      [&](const auto& item) { return item.first != run->first; });
        if (end - run > 1) {
            std::unordered_map<std::string, int> seen;
            for (auto item = run; item != end; ++item) {
                m_image.SeekEntry(item->second);
                occurrences[position(item->second)] = ++seen[FoldName(m_image.GetName())];
            }
        }
        run = end;
    }
    return occurrences;
}

bool CatalogWalk::WalkDirectory(const std::vector<int>* selected) {
    const int directory = m_image.GetCurrentDir();
    if (!IsDirectoryNumber(directory))
        return true;
    const std::vector<int>& contents = m_contents[static_cast<size_t>(directory)];
    const std::vector<int> occurrences = Occurrences(contents);
    auto next = selected ? selected->begin() : std::vector<int>::const_iterator();
    for (size_t i = 0; i < contents.size(); ++i) {
        const int index = contents[i];
        if (selected) {
            while (next != selected->end() && *next < index)
                ++next; // not an entry of this directory
            if (next == selected->end())
                break;
            if (*next != index)
                continue;
            ++next;
        }
        m_image.SeekEntry(index);
        m_path.push_back({m_image.GetName(), occurrences[i]});
        m_image.PushPosition(); // whatever the visitor does, the walk goes on from here
        const CatalogVisitor::Next result = Visit();
        m_image.PopPosition();
        m_path.pop_back();
        if (result == CatalogVisitor::Stop)
            return false;
    }
    return true;
}

CatalogVisitor::Next CatalogWalk::Visit() {
    const bool directory = m_image.IsDirectory();
    const WalkStep step{m_path, directory};
    if (!directory)
        return m_visitor.VisitFile(m_image, step);
    const CatalogVisitor::Next next = m_visitor.EnterDirectory(m_image, step);
    if (next != CatalogVisitor::Continue)
        return next;
    const int number = m_image.GetDirNumber();
    bool finished = true;
    if (IsDirectoryNumber(number) && !m_entered[static_cast<size_t>(number)]) {
        m_entered[static_cast<size_t>(number)] = true;
        m_image.SetCurrentDir(number);
        finished = WalkDirectory(nullptr);
    }
    m_visitor.LeaveDirectory();
    return finished ? CatalogVisitor::Continue : CatalogVisitor::Stop;
}
