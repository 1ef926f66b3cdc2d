#include "CatalogWalk.h"

#include <algorithm>
#include <numeric>

CatalogWalk::CatalogWalk(CDiskImage& image, CatalogVisitor& visitor)
    : m_image(image), m_visitor(visitor) {}

bool CatalogWalk::Walk(Place place, const std::optional<std::vector<int>>& selected) {
    m_entered.insert(place);
    return WalkDirectory(place, selected ? &*selected : nullptr);
}

bool CatalogWalk::WalkDirectory(Place place, const std::vector<int>* selected) {
    // The entries where the image keeps them (no copy of a large directory): only entering a
    // logical disk reads another, and the disk list's own rows stay.
    const std::vector<int> contents = m_image.Contents(place);
    std::vector<const DiskEntry*> entries;
    entries.reserve(contents.size());
    for (const int index : contents)
        entries.push_back(m_image.Find({place.disk, index}));
    const std::vector<int> occurrences = Occurrences(entries);
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), size_t{0});
    if (m_visitor.LiveFirst())
        std::stable_partition(order.begin(), order.end(),
                              [&](size_t i) { return !entries[i]->deleted; });
    for (const size_t i : order) {
        if (selected && !std::binary_search(selected->begin(), selected->end(), entries[i]->index))
            continue;
        m_path.push_back({entries[i]->name, occurrences[i]});
        const WalkStep step{
            m_path, entries[i]->IsDirectory(), {place.disk, entries[i]->index}, *entries[i]};
        const CatalogVisitor::Next result = Visit(step);
        m_path.pop_back();
        if (result == CatalogVisitor::Stop)
            return false;
    }
    return true;
}

CatalogVisitor::Next CatalogWalk::Visit(const WalkStep& step) {
    if (!step.directory)
        return m_visitor.VisitFile(m_image, step);
    const CatalogVisitor::Next next = m_visitor.EnterDirectory(m_image, step);
    if (next != CatalogVisitor::Continue)
        return next;
    OpenFailure why;
    const std::optional<Place> inside = m_image.Enter(step.ref, &why);
    bool finished = true;
    if (!inside)
        m_visitor.DiskUnreadable(step, why);
    else if (m_entered.insert(*inside).second)
        finished = WalkDirectory(*inside, nullptr);
    m_visitor.LeaveDirectory();
    return finished ? CatalogVisitor::Continue : CatalogVisitor::Stop;
}

std::string WalkStep::HostName() const {
    std::string name = Name();
    if (entry.deleted && !name.empty() && name[0] == kLostLetter)
        name[0] = '_';
    return name;
}
