// What every string table of the programs shares: finding a text by its number, and
// filling its placeholders.
#pragma once

#include <initializer_list>
#include <map>
#include <string>

namespace stringtable {

// The text of `id` in `table`, empty when the table does not hold it.
const std::string& FindText(const std::map<int, std::string>& table, int id);

// `text` with each placeholder ("%s" or "%i") replaced by the next of `values`, in one
// pass: a value is never read for placeholders, and a placeholder stays when the values
// have run out.
std::string FormatPlaceholders(const std::string& text, std::initializer_list<std::string> values);

// String `id` with its placeholders filled, for every table: the table's own
// LoadResString is found through the type of `id`.
template <typename Id>
std::string FormatResString(Id id, std::initializer_list<std::string> values) {
    return FormatPlaceholders(LoadResString(id), values);
}

} // namespace stringtable
