// The one table of the file systems this program reads: detection, opening, name limits
// and every list of formats (tests, fuzzing, builders, the command line's format options
// and the messages) read it. A new format is its reader and editor, over one layout header,
// and a row.
#pragma once

#include "FileSystem.h"
#include "FileSystemFormat.h"

#include <span>
#include <vector>

// In the order detection tries them.
std::span<const FileSystemFormat> FileSystemFormats();

// The formats this program makes blank disks of and changes, in the table's order.
std::vector<const FileSystemFormat*> WritableFormats();

// The first format whose detection accepts the bytes; null when none does.
const FileSystemFormat* DetectFileSystem(std::span<const uint8_t> bytes);
