// The factory: the one place that knows every reader (the readers know only their base).
#include "AndosImage.h"
#include "DiskImage.h"
#include "MkDosImage.h"

std::unique_ptr<CDiskImage> CreateDiskImage(std::string path, std::vector<uint8_t> bytes) {
    std::unique_ptr<CDiskImage> reader;
    switch (DetectImageFormat(bytes.data(), static_cast<int>(bytes.size()))) {
    case FormatMicroDos:
        reader = std::make_unique<CMicroDosImage>(std::move(path), std::move(bytes));
        break;
    case FormatMkDos:
        reader = std::make_unique<CMkDosImage>(std::move(path), std::move(bytes));
        break;
    case FormatAndos:
        reader = std::make_unique<CAndosImage>(std::move(path), std::move(bytes));
        break;
    case FormatUnknown:
        return nullptr;
    }
    reader->DecodeNames();
    return reader;
}
