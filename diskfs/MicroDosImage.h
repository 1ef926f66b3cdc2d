// MicroDOS: 24-byte entries from 0x140 up to an entry whose first three bytes are zero;
// file data lies in the image at (start block) x 512 and is handed out without a copy.
#pragma once

#include "CatalogImage.h"

class CMicroDosImage : public CCatalogImage {
public:
    CMicroDosImage(std::string path, std::vector<uint8_t> data);

    std::string GetFormatName() override;
    bool IsDirectory() override;
    std::string GetName() override;

protected:
    bool IsEndMarker() const override;
    void DecodeEntryName() override;
    bool ReadEntryData(const uint8_t*& data, int& address, int& length) override;
};
