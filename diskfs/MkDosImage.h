// MKDOS: the MicroDOS catalog with directories marked by 0x7F in the first name byte;
// a directory's 13-character name follows the mark.
#pragma once

#include "MicroDosImage.h"

class CMkDosImage : public CMicroDosImage {
public:
    explicit CMkDosImage(std::span<const uint8_t> bytes) : CMicroDosImage(bytes, true) {}

    std::string GetFormatName() const override;
};
