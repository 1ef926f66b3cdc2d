#include "StringTable.h"

namespace stringtable {

const std::string& FindText(const std::map<int, std::string>& table, int id) {
    static const std::string empty;
    const auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}

std::string FormatPlaceholders(const std::string& text, std::initializer_list<std::string> values) {
    std::string out;
    auto value = values.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        const bool placeholder =
            text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == 'i');
        if (placeholder && value != values.end()) {
            out += *value++;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace stringtable
