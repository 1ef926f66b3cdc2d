#include "SharedMemory.h"

#ifdef _WIN32

#include <windows.h>

#include <cstring>
#include <system_error>

// The viewer opens what exists, for reading only: a probe never creates an object, and
// the emulator's memory cannot be written through the view.
bool OpenRamObject(const std::string& name, int size, RamMapping& mapping) {
    HANDLE handle = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    if (!handle)
        return false;
    void* view = MapViewOfFile(handle, FILE_MAP_READ, 0, 0, 0);
    MEMORY_BASIC_INFORMATION region{};
    // Reading past the end of a shorter object would fault: not there yet.
    if (view && (VirtualQuery(view, &region, sizeof region) == 0 ||
                 region.RegionSize < static_cast<SIZE_T>(size))) {
        UnmapViewOfFile(view);
        CloseHandle(handle);
        return false;
    }
    mapping.handle = handle;
    mapping.view = static_cast<const uint8_t*>(view);
    return true;
}

bool ReadRamObject(const RamMapping& mapping, uint8_t* dest, int size) {
    if (!mapping.view)
        return false;
    std::memcpy(dest, mapping.view, static_cast<size_t>(size)); // a section never shrinks
    return true;
}

bool IsCurrentRamObject(const std::string& name, RamMapping& mapping, int size) {
    CloseRamObject(mapping, size);
    return OpenRamObject(name, size, mapping);
}

bool RamObjectExists(const std::string& name) {
    HANDLE handle = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    if (handle)
        CloseHandle(handle);
    return handle != nullptr;
}

void CloseRamObject(RamMapping& mapping, int) {
    if (mapping.view)
        UnmapViewOfFile(mapping.view);
    if (mapping.handle)
        CloseHandle(mapping.handle);
    mapping = {};
}

namespace {

uint8_t* CreateFailed(RamCreateFailure* failure, DWORD error) {
    if (failure)
        *failure = {error == ERROR_ALREADY_EXISTS, std::system_category().message(error)};
    return nullptr;
}

} // namespace

uint8_t* CreateRamObject(const std::string& name, int size, RamMapping& mapping, bool replace,
                         RamCreateFailure* failure) {
    HANDLE handle = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                       static_cast<DWORD>(size), name.c_str());
    const DWORD error = GetLastError();
    if (!handle || (error == ERROR_ALREADY_EXISTS && !replace)) {
        if (handle)
            CloseHandle(handle);
        return CreateFailed(failure, error);
    }
    auto* view = static_cast<uint8_t*>(MapViewOfFile(handle, FILE_MAP_ALL_ACCESS, 0, 0, size));
    if (!view) {
        const DWORD mapError = GetLastError();
        CloseHandle(handle);
        return CreateFailed(failure, mapError);
    }
    mapping = {handle, view, 0};
    return view;
}

// The object itself goes when its last handle closes: a viewer that holds one keeps it.
void DestroyRamObject(const std::string&, RamMapping& mapping, int size) {
    CloseRamObject(mapping, size);
}

#else

#include <fcntl.h>
#include <sys/mman.h>

#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

std::string ObjectPath(const std::string& name) {
    return "/" + name;
}

// Without O_NONBLOCK a FIFO planted under the name would block the open for ever.
int OpenObject(const std::string& name) {
    return shm_open(ObjectPath(name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
}

} // namespace

bool OpenRamObject(const std::string& name, int size, RamMapping& mapping) {
    const int fd = OpenObject(name);
    if (fd < 0)
        return false;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < size) {
        close(fd); // not there yet, or no shared memory at all
        return false;
    }
    mapping = {fd, nullptr, static_cast<unsigned long long>(info.st_ino)};
    return true;
}

bool ReadRamObject(const RamMapping& mapping, uint8_t* dest, int size) {
    if (mapping.handle == kNoRamHandle)
        return false;
    for (off_t done = 0; done < size;) {
        const ssize_t got =
            pread(mapping.handle, dest + done, static_cast<size_t>(size - done), done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += got;
    }
    return true;
}

bool IsCurrentRamObject(const std::string& name, RamMapping& mapping, int) {
    struct stat info {};
    if (mapping.handle == kNoRamHandle || fstat(mapping.handle, &info) != 0 || info.st_nlink == 0)
        return false;
    const int fd = OpenObject(name);
    if (fd < 0)
        return false;
    const bool same =
        fstat(fd, &info) == 0 && static_cast<unsigned long long>(info.st_ino) == mapping.identity;
    close(fd);
    return same;
}

bool RamObjectExists(const std::string& name) {
    const int fd = OpenObject(name);
    if (fd >= 0)
        close(fd);
    return fd >= 0;
}

void CloseRamObject(RamMapping& mapping, int size) {
    if (mapping.view)
        munmap(const_cast<uint8_t*>(mapping.view), static_cast<size_t>(size));
    if (mapping.handle != kNoRamHandle)
        close(mapping.handle);
    mapping = {};
}

uint8_t* CreateRamObject(const std::string& name, int size, RamMapping& mapping, bool replace,
                         RamCreateFailure* failure) {
    const auto failed = [failure](int error) -> uint8_t* {
        if (failure)
            *failure = {error == EEXIST, std::generic_category().message(error)};
        return nullptr;
    };
    if (replace)
        shm_unlink(ObjectPath(name).c_str());
    const int fd = shm_open(ObjectPath(name).c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return failed(errno);
    void* view = MAP_FAILED;
    if (ftruncate(fd, size) == 0)
        view = mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        const int error = errno;
        close(fd);
        shm_unlink(ObjectPath(name).c_str());
        return failed(error);
    }
    mapping = {fd, static_cast<const uint8_t*>(view), 0};
    return static_cast<uint8_t*>(view);
}

void DestroyRamObject(const std::string& name, RamMapping& mapping, int size) {
    CloseRamObject(mapping, size);
    shm_unlink(ObjectPath(name).c_str());
}

#endif
