#include "ListPreview.h"
#include "AsciiCase.h"
#include "ZipRules.h"
#include <algorithm>

namespace olvaris::check {

namespace {

std::string folded(std::string_view text) {
    std::string out;
    for (const char c : text)
        if (c != ' ' && c != '_' && c != '-')
            out += text::asciiLower(c);
    return out;
}

} // namespace

std::vector<int> nameColumnsOf(const std::vector<std::string>& header, const ZipColumns& place) {
    const auto find = [&](std::initializer_list<std::string_view> names) {
        for (size_t column = 0; column < header.size(); ++column)
            if (std::find(names.begin(), names.end(), folded(header[column])) != names.end())
                return int(column);
        return -1;
    };
    if (const int name = find({"name", "fullname", "contactname", "customername", "customer", "displayname"});
        name >= 0)
        return {name};
    const int first = find({"firstname", "givenname", "first"});
    const int last = find({"lastname", "surname", "familyname", "last"});
    if (first >= 0 && last >= 0)
        return {first, last};
    if (first >= 0 || last >= 0)
        return {std::max(first, last)};
    if (const int company = find({"company", "companyname", "organization", "organisation", "business"}); company >= 0)
        return {company};
    for (int column = 0; column < int(header.size()); ++column)
        if (column != place.city && column != place.state && column != place.zip && column != place.address)
            return {column};
    return {};
}

void nameOfRow(const std::vector<std::string>& fields, const std::vector<int>& nameColumns, std::string& name) {
    name.clear();
    for (const int column : nameColumns)
        if (size_t(column) < fields.size()) {
            const std::string_view text = ziplist::trimmed(fields[size_t(column)]);
            if (!text.empty())
                name.append(name.empty() ? "" : " ").append(text);
        }
}

} // namespace olvaris::check
