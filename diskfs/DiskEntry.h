// One catalog entry of a disk, as a value: what the window, the walks, the export and the
// mount know of it. Read once from the catalog's raw bytes, which stay as they are.
#pragma once

#include <cstdint>
#include <string>

struct DiskEntry {
    enum class Kind : uint8_t {
        File,
        Directory,
        Lost, // the root's stand-in for a directory number no reachable entry opens
        Disk, // a logical disk of a hard-disk image
    };

    int index = 0;        // position in its catalog's list of entries
    int holdingDir = 0;   // the directory that holds it
    int ownDir = -1;      // what it opens: a directory number, or a disk's number
    std::string name;     // Windows-1251, decoded from the raw bytes
    uint32_t record = 0;  // offset of its catalog record in the disk; changes address it so
    uint32_t rawName = 0; // offset of the name's raw bytes in the disk
    uint8_t rawNameSize = 0;
    Kind kind = Kind::File;
    bool deleted = false;
    bool hidden = false;
    uint16_t address = 0;
    uint32_t length = 0; // bytes
    uint32_t start = 0;  // first block or cluster, in the format's own terms

    bool IsDirectory() const { return kind != Kind::File; }
};

// Why a file entry's data could not be read.
// A letter a deleted entry no longer has, as shown: ANDOS writes its deletion mark over
// the name's first letter.
constexpr char kLostLetter = '?';

enum class ReadFault {
    None,
    Unreadable,       // a directory, or data outside the disk
    ClustersEndEarly, // the cluster chain ends before the length
    Overwritten,      // a deleted file whose blocks a live file has taken
};
