#include "MountTree.h"

#include "CatalogPath.h"
#include "CatalogWalk.h"
#include "Export.h"
#include "HostNames.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <numeric>

// A walk that adds a node for every entry it meets, named as export names it.
class MountTreeBuilder : public CatalogVisitor {
public:
    explicit MountTreeBuilder(CMountTree& tree) : m_tree(tree) { m_folders.push_back({0, {}}); }

    Next VisitFile(CDiskImage&, const WalkStep& step) override {
        if (Skipped(step))
            return Continue;
        const bool header = m_tree.m_bBinFiles && step.entry.length <= kMaxBinLength;
        Add(step, HostChild(WantedFileName(step.HostName(), header)));
        return Continue;
    }

    Next EnterDirectory(CDiskImage&, const WalkStep& step) override {
        if (Skipped(step))
            return SkipContents;
        m_folders.push_back({Add(step, HostChild(step.HostName())), {}});
        return Continue;
    }

    void LeaveDirectory() override { m_folders.pop_back(); }
    bool LiveFirst() const override { return true; }

private:
    struct Folder {
        uint32_t node;
        HostFolderNames names;
    };

    // Deleted entries, and the stand-in for their lost directories, when only live ones count.
    bool Skipped(const WalkStep& step) const {
        return m_tree.m_bLiveOnly &&
               (step.entry.deleted || step.entry.kind == DiskEntry::Kind::Lost);
    }

    std::string HostChild(const std::string& wanted) {
        return Cp1251ToUtf8(m_folders.back().names.Claim(wanted));
    }

    uint32_t Add(const WalkStep& step, const std::string& name) {
        CMountTree::Node node{};
        node.entry = step.ref.index;
        node.disk = step.ref.disk;
        node.parent = m_folders.back().node;
        node.occurrence = static_cast<uint32_t>(step.Occurrence());
        node.directory = step.directory;
        node.length = step.directory ? 0 : step.entry.length;
        node.address = step.directory ? 0 : step.entry.address;
        node.deleted = step.entry.deleted;
        return m_tree.Add(node, name);
    }

    CMountTree& m_tree;
    std::vector<Folder> m_folders;
};

CMountTree::CMountTree(CDiskImage& image, bool binFiles, bool liveOnly)
    : m_image(image), m_bBinFiles(binFiles), m_bLiveOnly(liveOnly) {
    Add({0, -1, 0, 0, 1, 0, 0, true, false}, "");
    MountTreeBuilder builder(*this);
    CatalogWalk(image, builder).Walk(image.Root());
    IndexNames();
}

uint32_t CMountTree::Add(const Node& node, std::string_view name) {
    m_nodes.push_back(node);
    m_nodes.back().name = static_cast<uint32_t>(m_names.size());
    m_names.append(name).push_back('\0');
    return static_cast<uint32_t>(m_nodes.size() - 1);
}

uint32_t CMountTree::IndexOf(const Node& node) const {
    return static_cast<uint32_t>(&node - m_nodes.data());
}

std::string_view CMountTree::Name(const Node& node) const {
    return m_names.c_str() + node.name;
}

std::span<const uint32_t> CMountTree::Children(const Node& node) const {
    const uint32_t index = IndexOf(node);
    return std::span(m_children)
        .subspan(m_firstChild[index], m_firstChild[index + 1] - m_firstChild[index]);
}

size_t CMountTree::Slot(uint32_t parent, std::string_view name) const {
    const size_t hash = std::hash<std::string_view>()(name) ^ (parent * 0x9E3779B97F4A7C15ULL);
    return hash & (m_slots.size() - 1);
}

// The children of each node side by side in catalog order (a counting sort by parent), and
// a table at most half full that finds a node by its parent and name.
void CMountTree::IndexNames() {
    const auto count = static_cast<uint32_t>(m_nodes.size());
    m_firstChild.assign(count + 1, 0);
    for (uint32_t i = 1; i < count; ++i)
        ++m_firstChild[m_nodes[i].parent + 1];
    std::partial_sum(m_firstChild.begin(), m_firstChild.end(), m_firstChild.begin());
    m_children.resize(count - 1);
    std::vector<uint32_t> next(m_firstChild.begin(), m_firstChild.end() - 1);
    for (uint32_t i = 1; i < count; ++i)
        m_children[next[m_nodes[i].parent]++] = i;
    size_t size = 64;
    while (size < 2 * static_cast<size_t>(count))
        size *= 2;
    m_slots.assign(size, 0);
    for (uint32_t i = 1; i < count; ++i) {
        size_t slot = Slot(m_nodes[i].parent, Name(m_nodes[i]));
        while (m_slots[slot] != 0)
            slot = (slot + 1) & (size - 1);
        m_slots[slot] = i + 1;
    }
}

uint32_t CMountTree::FindChild(uint32_t parent, std::string_view name) const {
    for (size_t slot = Slot(parent, name); m_slots[slot] != 0;
         slot = (slot + 1) & (m_slots.size() - 1)) {
        const uint32_t index = m_slots[slot] - 1;
        if (m_nodes[index].parent == parent && Name(m_nodes[index]) == name)
            return index;
    }
    return UINT32_MAX;
}

const CMountTree::Node* CMountTree::Child(const Node& directory, std::string_view name) const {
    const uint32_t index = directory.directory ? FindChild(IndexOf(directory), name) : UINT32_MAX;
    return index == UINT32_MAX ? nullptr : &m_nodes[index];
}

const CMountTree::Node* CMountTree::Lookup(std::string_view path) const {
    uint32_t index = 0;
    while (!path.empty()) {
        const auto slash = path.find('/');
        const std::string_view name = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (name.empty())
            continue;
        if (!m_nodes[index].directory || (index = FindChild(index, name)) == UINT32_MAX)
            return nullptr;
    }
    return &m_nodes[index];
}

long long CMountTree::FileSize(const Node& node) const {
    return node.directory ? 0 : node.length + (HasHeader(node) ? kBinHeaderSize : 0);
}

bool CMountTree::HasHeader(const Node& node) const {
    return m_bBinFiles && node.length <= kMaxBinLength;
}

ReadFault CMountTree::Read(const Node& node, long long offset, size_t size,
                           std::vector<uint8_t>& out) {
    out.clear();
    std::vector<uint8_t> file;
    const ReadFault fault =
        node.directory ? ReadFault::Unreadable : m_image.Read({node.disk, node.entry}, file);
    if (fault != ReadFault::None)
        return fault;
    if (const auto header = BinHeader(node.address, file.size()); header && HasHeader(node))
        file.insert(file.begin(), header->begin(), header->end());
    if (offset < 0 || offset >= static_cast<long long>(file.size()))
        return ReadFault::None;
    const auto from = file.begin() + offset;
    out.assign(from, from + static_cast<std::ptrdiff_t>(
                                std::min(size, file.size() - static_cast<size_t>(offset))));
    return ReadFault::None;
}

std::string CMountTree::HostPath(const Node& node) const {
    std::string path;
    for (const Node* at = &node; IndexOf(*at) != 0; at = &m_nodes[at->parent])
        path.insert(0, path.empty() ? std::string(Name(*at)) : std::string(Name(*at)) + "/");
    return path;
}

// Catalog names are read again from the image: messages are rare, entries many.
std::string CMountTree::EntryPath(const Node& node) const {
    std::vector<std::string> names;
    for (const Node* at = &node; at->entry >= 0; at = &m_nodes[at->parent])
        names.push_back(FormatPathName(m_image.Entry({at->disk, at->entry}).name,
                                       static_cast<int>(at->occurrence)));
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name)
        path += (path.empty() ? "" : "/") + *name;
    return path;
}
