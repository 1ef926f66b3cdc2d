// The formats' editors and blank disks, for the table of formats.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class CDiskEditor;
struct FileSystemFormat;

std::unique_ptr<CDiskEditor> EditMicroDos(std::vector<uint8_t> bytes,
                                          const FileSystemFormat& format);
std::unique_ptr<CDiskEditor> EditAndos(std::vector<uint8_t> bytes, const FileSystemFormat& format);
std::unique_ptr<CDiskEditor> EditCsidos(std::vector<uint8_t> bytes, const FileSystemFormat& format);
std::vector<uint8_t> BlankMicroDos();
std::vector<uint8_t> BlankMkDos();
std::vector<uint8_t> BlankAndos();
std::vector<uint8_t> BlankCsidos();
