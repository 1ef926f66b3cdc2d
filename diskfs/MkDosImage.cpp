#include "MkDosImage.h"

std::string CMkDosImage::GetFormatName() const {
    return "MKDOS";
}
