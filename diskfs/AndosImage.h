// ANDOS: a FAT12 file system with 2048-byte clusters whose 32-byte catalog entries
// (0xA00 up to 0x1800) carry directory numbers of their own. File data is copied along
// the cluster chain into a buffer the reader owns.
#pragma once

#include "CatalogImage.h"

class CAndosImage : public CCatalogImage {
public:
    CAndosImage(std::string path, std::vector<uint8_t> data);

    std::string GetFormatName() override;
    bool IsDirectory() override;
    std::string GetName() override;
    bool IsDeleted() override;

    // Next cluster of the chain; -1 when the FAT entry of `cluster` lies outside the image.
    int GetNextCluster(int cluster) const;
    // Copies the chain into `dest`, which holds `length` rounded up to whole clusters.
    // Fails when the chain outgrows that, reaches a cluster outside the image, or ends
    // before `length` (ReadFault::ClustersEndEarly).
    bool ReadClusterChain(int cluster, uint8_t* dest, int length);

protected:
    bool IsEndMarker() const override;
    void DecodeEntryName() override;
    bool ReadEntryData(const uint8_t*& data, int& address, int& length) override;

private:
    std::unique_ptr<uint8_t[]> m_pFileBuffer;
    // By entry index; the mark is a name byte, so it is noted before names are decoded.
    std::vector<bool> m_deleted;
};
