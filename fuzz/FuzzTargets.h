// The fuzz targets' bodies, shared by the libFuzzer programs and the unit suite's
// replay of committed inputs. Each returns normally for any input; a fault is an
// abort (a failed check) or a sanitizer report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property every input must keep.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// Disk images: the first byte chooses raw bytes (0) or a catalog of MicroDOS (1), MKDOS
// (2) or ANDOS (3) behind planted detection marks; then every directory is walked, every
// row listed and every file read.
void FuzzDiskImage(const uint8_t* data, size_t size);

// Export of a fuzzed image's root rows into a fresh folder: everything written stays in it.
void FuzzExport(const uint8_t* data, size_t size);

// The mount's file tree of a fuzzed image: every node found by its path, every file read
// to its size.
void FuzzMount(const uint8_t* data, size_t size);

// Changes to a blank disk of each format this program writes, or to one whose tables the
// input fills: a run of adds, new directories, removals and renames, each checked (a
// refusal leaves every byte, an added file reads back as added).
void FuzzDiskEdits(const uint8_t* data, size_t size);

// Drop blocks: reading arbitrary bytes, and building blocks from path lists and reading
// them back.
void FuzzDropBlocks(const uint8_t* data, size_t size);

// The viewer's arithmetic: composition, selection frame, selection image, BMP bytes and
// the address text, for arbitrary state and memory.
void FuzzViewer(const uint8_t* data, size_t size);
