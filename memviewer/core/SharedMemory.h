// Named shared-memory objects of the emulator's RAM link: the one file with OS calls.
#pragma once

#include <cstdint>
#include <string>

#ifdef _WIN32
using RamHandle = void*;
constexpr RamHandle kNoRamHandle = nullptr;
#else
using RamHandle = int; // a file descriptor
constexpr RamHandle kNoRamHandle = -1;
#endif

struct RamMapping {
    RamHandle handle = kNoRamHandle;
    const uint8_t* view = nullptr; // null when the object exists but could not be mapped
};

// Opens the existing object `name` for reading, at least `size` bytes long, and maps
// `size` bytes of it. False when there is no such object or it is still shorter; a
// probe never creates an object.
bool OpenRamObject(const std::string& name, int size, RamMapping& mapping);
void CloseRamObject(RamMapping& mapping, int size);
// True when an object `name` exists (looked at without creating one).
bool RamObjectExists(const std::string& name);

// The emulator's side (the stand-in and tests): creates `name` exclusively with `size`
// zero bytes, mapped for writing. Null when it exists already or cannot be made.
uint8_t* CreateRamObject(const std::string& name, int size, RamMapping& mapping);
// Unmaps, closes and removes the object `name`.
void DestroyRamObject(const std::string& name, RamMapping& mapping, int size);
