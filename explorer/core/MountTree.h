// The catalog as a read-only tree of host files, for mounting: every directory once and
// every file entry with its own data, under the names an export gives them.
#pragma once

#include "DiskImage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CMountTree {
public:
    struct Node {
        std::string name; // the host name (UTF-8); empty for the root
        bool directory = true;
        int entry = -1; // catalog index; -1 for the root
        int address = 0;
        int length = 0; // the entry's length; the file may be 4 bytes longer (binFiles)
        bool deleted = false;
        std::vector<int> children; // node indices, in catalog order
        std::unordered_map<std::string, int> byName;
    };

    // Walks the whole catalog once. With `binFiles` each file reads as the ".bin" file
    // export writes (header, then data) under export's default names; otherwise as its
    // data alone, named as export names it without the ".bin" extension.
    CMountTree(CDiskImage& image, bool binFiles);

    // The node at a path such as "/GAMES/ARCADE.bin"; null when there is none.
    const Node* Lookup(std::string_view path) const;
    const Node& At(int index) const { return m_nodes[static_cast<size_t>(index)]; }
    long long FileSize(const Node& node) const;
    // Up to `size` bytes of a file from `offset`; false when the entry's data cannot be
    // read (the file system answers EIO).
    bool Read(const Node& node, long long offset, size_t size, std::vector<uint8_t>& out);
    // The catalog path of a node, for messages: names joined by '/', printable.
    std::string EntryPath(const Node& node) const;

private:
    friend class MountTreeBuilder;

    CDiskImage& m_image;
    const bool m_bBinFiles;
    std::vector<Node> m_nodes; // [0] is the root
    std::vector<int> m_parents;
    std::vector<std::string> m_catalogNames; // by node, Windows-1251
};
