// The catalog as a read-only tree of host files, for mounting: every directory once and
// every file entry with its own data, under the names an export gives them. Small per
// entry (about 40 bytes), so that the largest catalog an image can hold mounts in well
// under the image's own size ten times over.
#pragma once

#include "DiskImage.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CMountTree {
public:
    struct Node {
        uint32_t name;       // where the host name (UTF-8) starts in the tree's names
        int32_t entry;       // index in its disk's entries; -1 for the root
        int32_t disk;        // the disk that holds it
        uint32_t parent;     // node index; the root is its own
        uint32_t occurrence; // of the entry's name in its directory (any case): 1, 2...
        uint32_t length;     // the entry's length; the file may be 4 bytes longer (binFiles)
        uint16_t address;
        bool directory;
        bool deleted;
    };

    // Walks the whole catalog once. With `binFiles` each file reads as the ".bin" file
    // export writes (header, then data) under export's default names; otherwise as its
    // data alone, named as export names it without the ".bin" extension. A file too long
    // for the header reads as its data alone either way. With `liveOnly` deleted entries
    // are left out (a writable mount shows only what changes can reach).
    CMountTree(CDiskImage& image, bool binFiles, bool liveOnly = false);

    // The node at a path such as "/GAMES/ARCADE.bin"; null when there is none.
    const Node* Lookup(std::string_view path) const;
    const Node& At(uint32_t index) const { return m_nodes[index]; }
    size_t Size() const { return m_nodes.size(); }
    // The child of a directory node by its host name; null when there is none.
    const Node* Child(const Node& directory, std::string_view name) const;
    uint32_t IndexOf(const Node& node) const;
    // The host name; the text goes on to a zero byte, so data() is a C string.
    std::string_view Name(const Node& node) const;
    // A directory's nodes in catalog order.
    std::span<const uint32_t> Children(const Node& node) const;
    long long FileSize(const Node& node) const;
    // Up to `size` bytes of a file from `offset`; the fault when the entry's data cannot
    // be read (the file system answers EIO).
    ReadFault Read(const Node& node, long long offset, size_t size, std::vector<uint8_t>& out);
    // The node's path from the root in host names ("GAMES/ARCADE.bin"; "" for the root).
    std::string HostPath(const Node& node) const;
    // Whether a file reads with a .bin header before its data.
    bool HasHeader(const Node& node) const;
    // The catalog path of a node, for messages: names joined by '/', each as bkdisk
    // prints it (with ";N" for the N-th entry of a name).
    std::string EntryPath(const Node& node) const;

private:
    friend class MountTreeBuilder;

    uint32_t Add(const Node& node, std::string_view name);
    // Index of the child named `name` of `parent`; UINT32_MAX when there is none.
    uint32_t FindChild(uint32_t parent, std::string_view name) const;
    size_t Slot(uint32_t parent, std::string_view name) const;
    void IndexNames();

    CDiskImage& m_image;
    const bool m_bBinFiles;
    const bool m_bLiveOnly;
    std::vector<Node> m_nodes; // [0] is the root
    std::string m_names;       // host names, each ended by a zero byte
    // Children of every node by parent: m_children[m_firstChild[n] .. m_firstChild[n + 1]).
    std::vector<uint32_t> m_firstChild;
    std::vector<uint32_t> m_children;
    std::vector<uint32_t> m_slots; // open-addressed (parent, name) -> node index + 1
};
