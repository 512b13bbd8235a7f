#include "SourceColumns.h"
#include "ZipRules.h"
#include <algorithm>
#include <cctype>

namespace olvaris::zipdata {

namespace {

std::string lowered(std::string_view text) {
    std::string name(ziplist::trimmed(text));
    for (char& c : name)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

bool isNamed(const HeaderColumn& column, const std::string& name) {
    const auto endsIn = [&name](std::string_view end) { return name.ends_with(end); };
    return std::find(column.names.begin(), column.names.end(), name) != column.names.end()
           || std::any_of(column.endings.begin(), column.endings.end(), endsIn);
}

} // namespace

SourceColumns::SourceColumns(const std::string& path, const std::vector<HeaderColumn>& wanted, SourceFile::Kind kind)
    : m_path(path), m_file(path, kind) {
    try {
        m_reader.emplace(m_file.descriptor());
        const std::string_view first = m_reader->firstLine();
        m_reader->setSeparator(first.find('\t') != std::string_view::npos  ? "\t"
                               : first.find(';') != std::string_view::npos ? ";"
                                                                           : ",",
                               true);
        if (!m_reader->next())
            throw Error(Error::Kind::Input, "empty", path);
    } catch (const ziplist::ReadError& error) {
        throw unreadable(path, error);
    }
    std::vector<std::string> header;
    for (const std::string& field : m_reader->fields())
        header.push_back(lowered(field));
    for (size_t kind = 0; kind < wanted.size() && !m_missing; ++kind) {
        const auto found = std::find_if(header.begin(), header.end(),
                                        [&](const std::string& name) { return isNamed(wanted[kind], name); });
        if (found == header.end())
            m_missing = kind;
        else
            m_columns.push_back(size_t(found - header.begin()));
    }
}

bool SourceColumns::next(std::vector<std::string_view>& fields, long& line, std::vector<LeftOut>& leftOut) {
    if (m_missing)
        return false;
    try {
        while (m_reader->next()) {
            const std::vector<std::string>& all = m_reader->fields();
            line = m_reader->recordLine();
            if (all.size() == 1 && ziplist::trimmed(all[0]).empty())
                continue;
            if (all.size() <= *std::max_element(m_columns.begin(), m_columns.end())) {
                leftOut.push_back({line, "too few fields"});
                continue;
            }
            fields.clear();
            for (const size_t column : m_columns)
                fields.push_back(ziplist::trimmed(all[column]));
            return true;
        }
    } catch (const ziplist::ReadError& error) {
        throw unreadable(m_path, error);
    }
    return false;
}

} // namespace olvaris::zipdata
