#include "CatalogWalk.h"

#include "Cp1251.h"

#include <unordered_map>

namespace {

// Directory numbers are single bytes in every format.
constexpr int kDirectoryNumbers = 256;

bool IsDirectoryNumber(int number) {
    return number >= 0 && number < kDirectoryNumbers;
}

} // namespace

CatalogWalk::CatalogWalk(CDiskImage& image, CatalogVisitor& visitor)
    : m_image(image), m_visitor(visitor), m_entered(kDirectoryNumbers),
      m_contents(kDirectoryNumbers) {
    const int current = image.GetCurrentDir();
    if (IsDirectoryNumber(current))
        m_entered[static_cast<size_t>(current)] = true;
    image.PushPosition();
    for (int index = 0; image.SeekEntry(index); ++index) {
        if (const int holding = image.GetHoldingDir(); IsDirectoryNumber(holding))
            m_contents[static_cast<size_t>(holding)].push_back(index);
    }
    image.PopPosition();
}

bool CatalogWalk::Walk(const std::optional<std::vector<int>>& selected) {
    m_image.PushPosition();
    const bool finished = WalkDirectory(selected ? &*selected : nullptr);
    m_image.PopPosition();
    return finished;
}

bool CatalogWalk::WalkDirectory(const std::vector<int>* selected) {
    const int directory = m_image.GetCurrentDir();
    if (!IsDirectoryNumber(directory))
        return true;
    std::unordered_map<std::string, int> occurrences;
    auto next = selected ? selected->begin() : std::vector<int>::const_iterator();
    for (const int index : m_contents[static_cast<size_t>(directory)]) {
        m_image.SeekEntry(index);
        const std::string name = m_image.GetName();
        const int occurrence = ++occurrences[FoldName(name)];
        if (selected) {
            while (next != selected->end() && *next < index)
                ++next; // not an entry of this directory
            if (next == selected->end())
                break;
            if (*next != index)
                continue;
            ++next;
        }
        m_names.push_back(name);
        m_image.PushPosition(); // whatever the visitor does, the walk goes on from here
        const CatalogVisitor::Next result = Visit(occurrence);
        m_image.PopPosition();
        m_names.pop_back();
        if (result == CatalogVisitor::Stop)
            return false;
    }
    return true;
}

CatalogVisitor::Next CatalogWalk::Visit(int occurrence) {
    const bool directory = m_image.IsDirectory();
    const WalkStep step{m_names, occurrence, directory};
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
