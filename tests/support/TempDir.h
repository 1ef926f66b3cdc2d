// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testimg {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // Writes `bytes` to a file of this folder and returns its path (UTF-8).
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    // A copy of `source` in this folder that its owner may write (the programs refuse
    // read-only images, and the shared images are read-only).
    std::filesystem::path WritableCopy(const std::filesystem::path& source) const;

private:
    std::filesystem::path m_path;
};

std::vector<uint8_t> ReadAll(const std::filesystem::path& path);

// Every path below `folder`, relative, in generic form, folders ending in '/'; sorted.
std::vector<std::string> ListTree(const std::filesystem::path& folder);

// Sets an environment variable while it lives, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// The variable that names the host's temporary folder.
#ifdef _WIN32
constexpr const char* kTempVariable = "TMP";
#else
constexpr const char* kTempVariable = "TMPDIR";
#endif

} // namespace testimg
