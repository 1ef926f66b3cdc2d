// The few operations whose rules differ between POSIX and Windows hosts.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

// True when `name` (already in the host's encoding) stays one component of a path.
bool IsSafeHostComponent(std::string_view name);

// Host encoding of a Windows-1251 name: UTF-8 on POSIX, the bytes themselves on Windows.
std::string HostEncoding(std::string_view cp1251);

// The temporary folder for extracted files. On POSIX a private folder of the user's own
// under $TMPDIR (or /tmp), created with mode 0700 and refused when someone else owns it
// or others may enter it; on Windows the user's temporary folder.
std::optional<std::filesystem::path> GetTempFolder();
