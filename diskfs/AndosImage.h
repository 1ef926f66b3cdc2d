// ANDOS: a FAT12 file system with 2048-byte clusters whose 32-byte catalog entries
// (0xA00 up to 0x1800) carry directory numbers of their own (bytes 20 and 21), the load
// address (22) and the FAT entry's 32-bit size (28). The layout: AndosLayout.h.
#pragma once

#include "FileSystem.h"

#include <memory>
#include <vector>

class CDiskEditor;

class CAndosImage : public CFileSystem {
public:
    CAndosImage(std::span<const uint8_t> bytes, const FileSystemFormat& format);

    // "ANDOS" in the boot sector's label.
    static bool Detect(std::span<const uint8_t> bytes);

protected:
    // The chain copied whole: it fails when it leaves the disk, outgrows the length
    // rounded up to clusters, or ends before the length (ClustersEndEarly); a deleted
    // file's, when it meets a live file's cluster (Overwritten).
    ReadFault ReadData(const DiskEntry& entry, std::vector<uint8_t>& data) const override;

private:
    DiskEntry EntryAt(int offset) const;
    // Next cluster of the chain; -1 when the FAT entry of `cluster` lies outside the disk.
    int NextCluster(int cluster) const;
    void MarkLiveClusters();

    // The clusters live files' chains go through: a deleted file's data found in one of
    // them is another file's now.
    std::vector<bool> m_liveClusters;
};

// Its editor (AndosEditor.cpp), and a blank disk.
std::unique_ptr<CDiskEditor> EditAndos(std::vector<uint8_t> bytes, const FileSystemFormat& format);
std::vector<uint8_t> BlankAndos(long long blocks);
