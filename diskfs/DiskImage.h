// The catalog reader of one opened BK disk image, and the factory that opens one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum ImageFormat { FormatUnknown = 0, FormatMicroDos = 1, FormatMkDos = 2, FormatAndos = 3 };

// One opened image, held whole in memory. Names and paths are Windows-1251 byte strings;
// paths inside the image use the backslash.
class CDiskImage {
public:
    virtual ~CDiskImage() = default;
    virtual void DecodeNames() = 0;
    virtual bool ChangeDir(const std::string& path) = 0;
    virtual bool IsRoot() = 0;
    virtual void PushPosition() = 0;
    virtual void PopPosition() = 0;
    virtual int GetImageSize() = 0;
    virtual std::string GetFormatName() = 0;
    virtual bool FindFirst() = 0;
    virtual bool FindNext() = 0;
    virtual bool IsDirectory() = 0;
    virtual std::string GetName() = 0;
    virtual int GetAddress() = 0;
    virtual int GetLength() = 0;
    // The bytes stay owned by the reader: valid until it is destroyed (MicroDOS, MKDOS)
    // or until its next ReadFile (ANDOS).
    virtual bool ReadFile(const std::string& path, const uint8_t*& data, int& address,
                          int& length) = 0;
    // Number of the current directory (0 is the root): lets a walk of the catalog tell
    // when a chain of same-named directories leads back into itself.
    virtual int GetCurrentDir() = 0;

    CDiskImage(const CDiskImage&) = delete;
    CDiskImage& operator=(const CDiskImage&) = delete;

protected:
    CDiskImage(std::string path, std::vector<uint8_t> data);

    std::string m_strPath;
    std::vector<uint8_t> m_pData;
    int m_nSize;
};

ImageFormat DetectImageFormat(const uint8_t* data, int size);

// The reader for image bytes already in memory, names decoded; null for an unknown format.
std::unique_ptr<CDiskImage> CreateDiskImage(std::string path, std::vector<uint8_t> bytes);

// Why an image file did not open.
struct OpenFailure {
    enum Kind { None, CannotRead, ReadOnly, UnknownFormat } kind = None;
    std::string hostMessage; // the system's words, for CannotRead
};

// 0 on success with the new reader in `reader`, 1 on failure with `reader` empty (and
// the reason in `failure` when given). A file without any write permission bit, or one
// that cannot be opened for reading and writing, is refused; nothing is ever written to it.
int OpenDiskImage(const std::string& path, std::unique_ptr<CDiskImage>& reader, OpenFailure* failure = nullptr);
