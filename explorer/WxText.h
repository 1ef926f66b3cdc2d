// Catalog text (Windows-1251) and host paths at the toolkit's edge.
#pragma once

#include "HostNames.h"

#include <wx/string.h>

#include <filesystem>
#include <string>

inline wxString FromCp1251(const std::string& text) {
    return wxString::FromUTF8(Cp1251ToUtf8(text));
}

inline std::string ToCp1251(const wxString& text) {
    return Utf8ToCp1251(text.utf8_string());
}

// Host paths travel as UTF-8 strings (see HostNames.h).
inline wxString FromHostPath(const std::filesystem::path& path) {
    return wxString::FromUTF8(Utf8FromPath(path));
}

inline std::string ToHostPath(const wxString& path) {
    return path.utf8_string();
}
