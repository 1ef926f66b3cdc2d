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
    // The creator's view for writing; the viewer's for reading on Windows. A POSIX viewer
    // maps nothing: an object that shrinks under a mapping kills its reader (SIGBUS).
    const uint8_t* view = nullptr;
    unsigned long long identity = 0; // POSIX: the object's inode, to tell a new one apart
};

// Opens the existing object `name` for reading, at least `size` bytes long. False when
// there is no such object, it is still shorter, or it is no shared memory (a FIFO or
// device planted under its name, which is never waited for); a probe never creates one.
bool OpenRamObject(const std::string& name, int size, RamMapping& mapping);
void CloseRamObject(RamMapping& mapping, int size);
// Copies the object's first `size` bytes into `dest`; false when they cannot all be read
// (the object shrank or went). Never raises a signal.
bool ReadRamObject(const RamMapping& mapping, uint8_t* dest, int size);
// False once the object opened as `name` was removed: no name links to it any more, or
// `name` now names another object. On Windows an object lives while anyone holds it:
// the viewer lets go of it and opens the name again (`size` bytes), so that an object
// only the viewer held has gone; an emulator started again meanwhile got the same one.
bool IsCurrentRamObject(const std::string& name, RamMapping& mapping, int size);
// True when an object `name` exists (looked at without creating one).
bool RamObjectExists(const std::string& name);

// Why an object could not be created: it exists already, or the system's reason.
struct RamCreateFailure {
    bool exists = false;
    std::string reason;
};

// The emulator's side (the stand-in and tests): creates `name` exclusively with `size`
// zero bytes, mapped for writing. Null when it exists already or cannot be made (why, in
// `failure` when given). With `replace`, an object left behind is taken over: removed
// first on POSIX, opened as it is on Windows (where it lives on while a viewer holds it).
uint8_t* CreateRamObject(const std::string& name, int size, RamMapping& mapping,
                         bool replace = false, RamCreateFailure* failure = nullptr);
// Unmaps, closes and removes the object `name`.
void DestroyRamObject(const std::string& name, RamMapping& mapping, int size);
