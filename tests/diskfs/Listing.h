// Walks of a reader's current directory, for assertions.
#pragma once

#include "DiskImage.h"

#include <string>
#include <vector>

struct ListedEntry {
    std::string name;
    bool directory;
    int address;
    int length;
    bool operator==(const ListedEntry&) const = default;
};

inline std::vector<ListedEntry> List(CDiskImage& image) {
    std::vector<ListedEntry> entries;
    for (bool more = image.FindFirst(); more; more = image.FindNext())
        entries.push_back(
            {image.GetName(), image.IsDirectory(), image.GetAddress(), image.GetLength()});
    return entries;
}

inline std::vector<std::string> Names(CDiskImage& image) {
    std::vector<std::string> names;
    for (const auto& entry : List(image))
        names.push_back(entry.name);
    return names;
}

inline std::unique_ptr<CDiskImage> Load(std::vector<uint8_t> image) {
    return CreateDiskImage("test.img", std::move(image));
}

// The file's bytes as ReadFile hands them out; empty when it fails.
inline std::vector<uint8_t> Read(CDiskImage& image, const std::string& path) {
    const uint8_t* data = nullptr;
    int address = 0, length = 0;
    if (!image.ReadFile(path, data, address, length))
        return {};
    return {data, data + length};
}
