// What the three catalog layouts share: a cursor over fixed-size entries, directory
// change by path, the parent lookup and the frame of file lookup. A format supplies
// where its catalog lies, how it ends, which bytes name directories and where data is.
#pragma once

#include "DiskImage.h"

#include <string_view>

// Where a format keeps what every catalog entry has.
struct CatalogLayout {
    int firstEntry; // the first entry's offset in the image
    int entrySize;
    int ownDirOffset;     // the byte with a directory's own number
    int holdingDirOffset; // the byte with the number of the directory that holds the entry
    int addressOffset;    // the load address, a 16-bit word
    int lengthOffset;     // the length in bytes, a 16-bit word
};

class CCatalogImage : public CDiskImage {
public:
    void DecodeNames() override;
    bool ChangeDir(const std::string& path) override;
    bool IsRoot() override;
    void PushPosition() override;
    void PopPosition() override;
    int GetImageSize() override;
    bool FindFirst() override;
    bool FindNext() override;
    bool ReadFile(const std::string& path, const uint8_t*& data, int& address,
                  int& length) override;
    int GetCurrentDir() override;
    int GetEntryIndex() override;
    bool SeekEntry(int index) override;
    int GetDirNumber() override;
    int GetHoldingDir() override;
    void SetCurrentDir(int number) override;
    bool ReadEntry(const uint8_t*& data, int& address, int& length) override;
    bool IsDeleted() override;
    int GetAddress() override;
    int GetLength() override;

    // Cursor steps over every entry, whatever directory holds it; false at the end.
    bool FirstEntry();
    bool NextEntry();
    // The end marker, or an entry that does not lie wholly inside the image.
    bool IsEndOfCatalog() const;
    // The directory that holds directory n; 0 (the root) when no entry names n.
    int GetParentDir(int n);

protected:
    CCatalogImage(std::string path, std::vector<uint8_t> data, const CatalogLayout& layout);

    // Reads of the entry at the cursor: 0 or an empty field when the cursor is not on a
    // whole entry, so no entry operation reads outside the image.
    int EntryByte(int offset) const;
    int EntryWord(int offset) const;
    uint8_t* EntryBytes(int offset);
    // Bytes up to the first zero, trailing spaces removed.
    std::string EntryText(int offset, int count) const;

    // True when `count` bytes from `offset` lie inside the image.
    bool InImage(long long offset, long long count) const;

    virtual bool IsEndMarker() const = 0;
    virtual void DecodeEntryName() = 0;
    // Data step of ReadFile for the file entry at the cursor.
    virtual bool ReadEntryData(const uint8_t*& data, int& address, int& length) = 0;

    int m_nDir = 0;
    std::vector<int32_t> m_dirStack;
    int m_nPos = 0;
    std::vector<int32_t> m_posStack;

private:
    int OwnDirNumber() const;
    int HoldingDirNumber() const;
    bool FindInCurrentDir(bool found);
    // Own number of the first directory named `name` anywhere in the catalog.
    bool FindDirectory(std::string_view name, int& number);

    const CatalogLayout m_layout;
};
