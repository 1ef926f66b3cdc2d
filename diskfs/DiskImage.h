// The catalog reader of one opened BK disk image, and the factory that opens one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum ImageFormat { FormatUnknown = 0, FormatMicroDos = 1, FormatMkDos = 2, FormatAndos = 3 };

// The parent directory in the catalog's path syntax (ChangeDir).
inline constexpr const char* kParentDirPath = "..";

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

    // Walks that must not confuse entries of one name address them by number instead:
    // the entry's position in the whole catalog, the number of the directory a directory
    // entry opens, and the data of the file entry at the cursor itself.
    virtual int GetEntryIndex() = 0;
    virtual bool SeekEntry(int index) = 0; // false when no entry has that index
    virtual int GetDirNumber() = 0;
    virtual int GetHoldingDir() = 0; // the number of the directory that holds the entry
    virtual void SetCurrentDir(int number) = 0;
    // The same contract as ReadFile, for the entry at the cursor; false for a directory.
    virtual bool ReadEntry(const uint8_t*& data, int& address, int& length) = 0;
    // An entry the file system marked as deleted (ANDOS); its data may be overwritten.
    virtual bool IsDeleted() = 0;

    // Why the last ReadEntry failed.
    enum class ReadFault { None, Unreadable, ClustersEndEarly };
    ReadFault LastReadFault() const { return m_readFault; }

    CDiskImage(const CDiskImage&) = delete;
    CDiskImage& operator=(const CDiskImage&) = delete;

protected:
    CDiskImage(std::string path, std::vector<uint8_t> data);

    std::string m_strPath;
    std::vector<uint8_t> m_pData;
    int m_nSize;
    ReadFault m_readFault = ReadFault::None;
};

ImageFormat DetectImageFormat(const uint8_t* data, int size);

// The reader for image bytes already in memory, names decoded; null for an unknown format.
std::unique_ptr<CDiskImage> CreateDiskImage(std::string path, std::vector<uint8_t> bytes);

// No BK file system addresses more than this: a MicroDOS-family start block (a 16-bit
// number of 512-byte blocks) plus the longest file (64 KB). Larger files are refused
// before they are read.
constexpr long long kMaxImageSize = 0x10000LL * 512 + 0x10000;

// Why an image file did not open.
struct OpenFailure {
    enum Kind { None, CannotRead, ReadOnly, UnknownFormat, TooLarge } kind = None;
    std::string hostMessage; // the system's words, for CannotRead
};

// How an image file is opened. ReadWrite refuses a file without any write permission
// bit, or one that cannot be opened for reading and writing (the window's rule: the
// write bit is the images' read-only attribute); ReadOnly takes any readable file, on
// read-only storage too. Nothing is ever written to it either way.
enum class ImageAccess { ReadWrite, ReadOnly };

// 0 on success with the new reader in `reader`, 1 on failure with `reader` empty (and
// the reason in `failure` when given).
int OpenDiskImage(const std::string& path, std::unique_ptr<CDiskImage>& reader,
                  OpenFailure* failure = nullptr, ImageAccess access = ImageAccess::ReadWrite);
