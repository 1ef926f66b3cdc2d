// Looks at an image's entries by path, for assertions.
#pragma once

#include "Cp1251.h"
#include "DiskImage.h"

#include <string>
#include <vector>

struct ListedEntry {
    std::string name;
    bool directory;
    int address;
    long long length;
    bool operator==(const ListedEntry&) const = default;
};

// The directory at a backslash-separated path of names from the root (the first of each
// name, any case); none when a name is not a directory there.
inline std::optional<Place> PlaceAt(CDiskImage& image, std::string_view path) {
    Place place = image.Root();
    while (!path.empty()) {
        const auto slash = path.find('\\');
        const std::string_view name = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        std::optional<Place> inside;
        for (const EntryRef& ref : image.List(place)) {
            if (EqualNoCase(image.Entry(ref).name, name) && (inside = image.Enter(ref)))
                break;
        }
        if (!inside)
            return std::nullopt;
        place = *inside;
    }
    return place;
}

inline std::vector<ListedEntry> List(CDiskImage& image, std::string_view path = "") {
    std::vector<ListedEntry> entries;
    if (const auto place = PlaceAt(image, path)) {
        for (const EntryRef& ref : image.List(*place)) {
            const DiskEntry entry = image.Entry(ref);
            entries.push_back({entry.name, entry.IsDirectory(), entry.address, entry.length});
        }
    }
    return entries;
}

inline std::vector<std::string> Names(CDiskImage& image, std::string_view path = "") {
    std::vector<std::string> names;
    for (const auto& entry : List(image, path))
        names.push_back(entry.name);
    return names;
}

inline std::unique_ptr<CDiskImage> Load(std::vector<uint8_t> image) {
    return CreateDiskImage("test.img", std::move(image));
}

// The first file of that name in the directory of the path.
inline std::optional<EntryRef> FileAt(CDiskImage& image, std::string_view path) {
    const auto slash = path.rfind('\\');
    const auto place = PlaceAt(image, slash == std::string_view::npos ? "" : path.substr(0, slash));
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (place) {
        for (const EntryRef& ref : image.List(*place)) {
            const DiskEntry entry = image.Entry(ref);
            if (!entry.IsDirectory() && EqualNoCase(entry.name, name))
                return ref;
        }
    }
    return std::nullopt;
}

// The file's bytes; empty when it cannot be read.
inline std::vector<uint8_t> Read(CDiskImage& image, std::string_view path) {
    std::vector<uint8_t> data;
    if (const auto ref = FileAt(image, path))
        image.Read(*ref, data);
    return data;
}

inline ReadFault Fault(CDiskImage& image, std::string_view path) {
    std::vector<uint8_t> data;
    const auto ref = FileAt(image, path);
    return ref ? image.Read(*ref, data) : ReadFault::Unreadable;
}
