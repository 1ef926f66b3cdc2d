// MKDOS: the MicroDOS catalog with directories marked by 0x7F in the first name byte;
// a directory's 13-character name follows the mark.
#pragma once

#include "MicroDosImage.h"

class CMkDosImage : public CMicroDosImage {
public:
    using CMicroDosImage::CMicroDosImage;

    std::string GetFormatName() override;
    bool IsDirectory() override;
    std::string GetName() override;

protected:
    void DecodeEntryName() override;

private:
    int NameOffset();
    int NameLength();
};
