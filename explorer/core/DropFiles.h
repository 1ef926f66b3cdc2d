// Path lists of drag and drop in the CF_HDROP layout: a 20-byte header (offset of the
// list, drop point, non-client flag, wide flag), then zero-terminated paths and one more
// zero.
#pragma once

#include "CatalogView.h"
#include "Export.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

constexpr size_t kDropHeaderSize = 20;
constexpr size_t kDropPathSlot = 1024;

// A block of n x 1024 + 21 bytes for n UTF-8 paths, each written as it is. With `wide`
// (the Windows shell's own form, which holds any name) the paths are written in UTF-16
// and the block is n x 2048 + 22 bytes. A path that does not fit its slot with its
// terminator is left out.
std::vector<uint8_t> BuildDropBlock(const std::vector<std::string>& paths, bool wide = false);

// Every path of a block, in the host's encoding; empty when the block is malformed.
std::vector<std::string> ReadDropPaths(std::span<const uint8_t> block);

// The paths as a "text/uri-list" (file: URIs, bytes outside the unreserved set
// percent-encoded, each line ended by CR LF), the form file lists take on X11 desktops.
std::string ToUriList(const std::vector<std::string>& paths);

// The first path of a received block, single-byte or (wide flag set) 16-bit, in the
// host's encoding; none when the block is malformed or lists nothing.
std::optional<std::string> ReadFirstDropPath(std::span<const uint8_t> block);

// True when the text after the last '.' (the whole path without one) is "img", "bkd",
// "dsk" (a name ANDOS images often have) or "hdi" (hard disks) without regard to case.
bool IsImageFileName(const std::string& path);

// Extracts the selection into `tempFolder` (our own: earlier extracts there are replaced,
// whatever `options.existing` says) and builds the block (wide or not) of the extracted
// top-level entries. None when a write failed part-way or the user cancelled through
// `options.progress` (the request then fails; what was extracted stays).
std::optional<std::vector<uint8_t>> RenderDropFiles(const CatalogListing* listing,
                                                    const Selection& selection,
                                                    const std::filesystem::path& tempFolder,
                                                    bool wide, ExportOptions options);
