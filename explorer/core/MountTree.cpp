#include "MountTree.h"

#include "CatalogPath.h"
#include "CatalogWalk.h"
#include "Export.h"
#include "HostNames.h"

#include <algorithm>
#include <cstring>

// A walk that adds a node for every entry it meets, named as export names it.
class MountTreeBuilder : public CatalogVisitor {
public:
    explicit MountTreeBuilder(CMountTree& tree) : m_tree(tree) { m_folders.push_back({0, {}}); }

    Next VisitFile(CDiskImage& image, const WalkStep& step) override {
        Add(image, step, HostChild(WantedFileName(step.path, m_tree.m_bBinFiles)));
        return Continue;
    }

    Next EnterDirectory(CDiskImage& image, const WalkStep& step) override {
        m_folders.push_back({Add(image, step, HostChild(step.Name())), {}});
        return Continue;
    }

    void LeaveDirectory() override { m_folders.pop_back(); }

private:
    struct Folder {
        int node;
        HostFolderNames names;
    };

    std::string HostChild(const std::string& wanted) {
        return Cp1251ToUtf8(m_folders.back().names.Claim(wanted));
    }

    int Add(CDiskImage& image, const WalkStep& step, std::string name) {
        const int parent = m_folders.back().node;
        const int index = static_cast<int>(m_tree.m_nodes.size());
        CMountTree::Node node;
        node.name = std::move(name);
        node.directory = step.directory;
        node.entry = image.GetEntryIndex();
        node.address = step.directory ? 0 : image.GetAddress();
        node.length = step.directory ? 0 : image.GetLength();
        node.deleted = image.IsDeleted();
        m_tree.m_nodes[static_cast<size_t>(parent)].children.push_back(index);
        m_tree.m_nodes[static_cast<size_t>(parent)].byName.emplace(node.name, index);
        m_tree.m_nodes.push_back(std::move(node));
        m_tree.m_parents.push_back(parent);
        m_tree.m_catalogNames.push_back(step.Name());
        return index;
    }

    CMountTree& m_tree;
    std::vector<Folder> m_folders;
};

CMountTree::CMountTree(CDiskImage& image, bool binFiles) : m_image(image), m_bBinFiles(binFiles) {
    m_nodes.emplace_back();
    m_parents.push_back(-1);
    m_catalogNames.emplace_back();
    image.PushPosition();
    image.SetCurrentDir(0);
    MountTreeBuilder builder(*this);
    CatalogWalk(image, builder).Walk();
    image.PopPosition();
}

const CMountTree::Node* CMountTree::Lookup(std::string_view path) const {
    const Node* node = &m_nodes.front();
    while (!path.empty()) {
        const auto slash = path.find('/');
        const std::string_view name = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (name.empty())
            continue;
        const auto child = node->byName.find(std::string(name));
        if (!node->directory || child == node->byName.end())
            return nullptr;
        node = &m_nodes[static_cast<size_t>(child->second)];
    }
    return node;
}

long long CMountTree::FileSize(const Node& node) const {
    return node.directory ? 0 : node.length + (m_bBinFiles ? 4 : 0);
}

bool CMountTree::Read(const Node& node, long long offset, size_t size, std::vector<uint8_t>& out) {
    out.clear();
    const uint8_t* data = nullptr;
    int address = 0, length = 0;
    m_image.PushPosition();
    const bool read = !node.directory && m_image.SeekEntry(node.entry) &&
                      m_image.ReadEntry(data, address, length);
    m_image.PopPosition();
    if (!read)
        return false;
    std::vector<uint8_t> file;
    if (m_bBinFiles)
        file = {static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8),
                static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)};
    file.insert(file.end(), data, data + length);
    if (offset < 0 || offset >= static_cast<long long>(file.size()))
        return true;
    const auto from = file.begin() + offset;
    out.assign(from, from + static_cast<std::ptrdiff_t>(
                                std::min(size, file.size() - static_cast<size_t>(offset))));
    return true;
}

std::string CMountTree::EntryPath(const Node& node) const {
    std::vector<std::string> names;
    for (int index = static_cast<int>(&node - m_nodes.data()); index > 0;
         index = m_parents[static_cast<size_t>(index)])
        names.push_back(FormatPathName(m_catalogNames[static_cast<size_t>(index)], 1));
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name)
        path += (path.empty() ? "" : "/") + *name;
    return path;
}
