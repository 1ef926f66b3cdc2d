#include "DesktopEntries.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using Section = std::map<std::string, std::string>;

// The keys of one [group] of an ini-style file (later repeats of a key are ignored).
Section ReadGroup(const fs::path& file, const std::string& group) {
    Section keys;
    std::ifstream in(file);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.front() == '[') {
            inside = line == "[" + group + "]";
            continue;
        }
        const auto equals = line.find('=');
        if (inside && equals != std::string::npos && line.front() != '#')
            keys.emplace(line.substr(0, equals), line.substr(equals + 1));
    }
    return keys;
}

std::vector<std::string> SplitList(const std::string& list) {
    std::vector<std::string> items;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ';');)
        if (!item.empty())
            items.push_back(item);
    return items;
}

std::vector<fs::path> FromEnvironment(const char* name, const fs::path& fallback,
                                      const char* listName, const std::string& listFallback) {
    std::vector<fs::path> dirs;
    const char* home = std::getenv(name);
    if (home && *home)
        dirs.emplace_back(home);
    else if (!fallback.empty())
        dirs.push_back(fallback);
    const char* list = std::getenv(listName);
    std::istringstream in(list && *list ? list : listFallback);
    for (std::string dir; std::getline(in, dir, ':');)
        if (!dir.empty())
            dirs.emplace_back(dir);
    return dirs;
}

// Desktop entry ids for the type, in the desktop's order of preference.
std::vector<std::string> Candidates(const std::string& mimeType, const XdgDirs& dirs) {
    std::vector<fs::path> lists;
    for (const auto& dir : dirs.config)
        lists.push_back(dir / "mimeapps.list");
    for (const auto& dir : dirs.data)
        lists.push_back(dir / "applications" / "mimeapps.list");
    std::vector<std::string> ids;
    for (const char* group : {"Default Applications", "Added Associations"})
        for (const auto& list : lists)
            for (const auto& id : SplitList(ReadGroup(list, group)[mimeType]))
                ids.push_back(id);
    for (const auto& dir : dirs.data)
        for (const auto& id :
             SplitList(ReadGroup(dir / "applications" / "mimeinfo.cache", "MIME Cache")[mimeType]))
            ids.push_back(id);
    return ids;
}

// Exec's words: double quotes group, a backslash inside them escapes the next character.
std::vector<std::string> SplitExec(const std::string& exec) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted && c == '\\' && i + 1 < exec.size()) {
            word += exec[++i];
        } else if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any || !word.empty())
                words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
        }
    }
    if (any || !word.empty())
        words.push_back(word);
    return words;
}

// The command line for `path`: %f %F %u %U become the path (once), %% a percent sign;
// the other field codes go.
std::vector<std::string> ExpandExec(const std::string& exec, const std::string& path) {
    std::vector<std::string> argv;
    bool placed = false;
    for (const std::string& word : SplitExec(exec)) {
        if (word == "%f" || word == "%F" || word == "%u" || word == "%U") {
            if (!placed)
                argv.push_back(path);
            placed = true;
            continue;
        }
        std::string expanded;
        for (size_t i = 0; i < word.size(); ++i) {
            if (word[i] == '%' && i + 1 < word.size())
                expanded += word[++i] == '%' ? "%" : "";
            else
                expanded += word[i];
        }
        if (!expanded.empty())
            argv.push_back(expanded);
    }
    if (!placed)
        argv.push_back(path);
    return argv;
}

} // namespace

XdgDirs XdgDirsFromEnvironment() {
    const char* home = std::getenv("HOME");
    const fs::path base = home && *home ? fs::path(home) : fs::path();
    return {FromEnvironment("XDG_CONFIG_HOME", base.empty() ? base : base / ".config",
                            "XDG_CONFIG_DIRS", "/etc/xdg"),
            FromEnvironment("XDG_DATA_HOME", base.empty() ? base : base / ".local/share",
                            "XDG_DATA_DIRS", "/usr/local/share:/usr/share")};
}

std::optional<std::vector<std::string>>
GraphicalOpener(const std::string& mimeType, const std::string& path, const XdgDirs& dirs) {
    for (const std::string& id : Candidates(mimeType, dirs)) {
        for (const auto& dir : dirs.data) {
            const fs::path file = dir / "applications" / id;
            std::error_code error;
            if (!fs::is_regular_file(file, error))
                continue;
            Section entry = ReadGroup(file, "Desktop Entry");
            if (entry["Terminal"] != "true" && entry["Hidden"] != "true" && !entry["Exec"].empty())
                return ExpandExec(entry["Exec"], path);
            break; // the first file of an id decides for it
        }
    }
    return std::nullopt;
}
