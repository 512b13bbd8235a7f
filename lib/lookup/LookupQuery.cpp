#include "LookupQuery.h"
#include "ZipRules.h"
#include "ZipQueries.h"
#include <vector>

namespace olvaris::lookup {

namespace {

// One index range: a column that holds (or begins with) a value.
struct Condition {
    const char* column;
    QString value;
};
// Rows that meet any one of its conditions.
using Group = std::vector<Condition>;

QString zipText(const QString& text) {
    const std::optional<ziplist::Zip> zip = ziplist::zipFrom(text.toStdString());
    return zip && zip->plusFour ? QString::fromStdString(zip->five) : text;
}

Group citySpellings(const QString& city) {
    Group group;
    for (const std::string& spelling : ziplist::citySpellings(city.toStdString()))
        group.push_back({"[city]", QString::fromStdString(spelling)});
    return group;
}

Group stateGroup(const QString& state) {
    const std::optional<ziplist::State> known = ziplist::stateFrom(state.toStdString());
    return {{"[state]", known ? QString::fromStdString(known->code) : state}};
}

// "Boston, MA", "Saint Louis, Missouri": a city and a known state.
std::optional<std::pair<QString, QString>> cityAndState(const QString& pattern) {
    const qsizetype comma = pattern.lastIndexOf(QLatin1Char(','));
    if (comma <= 0)
        return std::nullopt;
    const QString state = pattern.mid(comma + 1).trimmed();
    if (!ziplist::stateFrom(state.toStdString()))
        return std::nullopt;
    return std::pair{pattern.left(comma).trimmed(), state};
}

// Each group read as a union of index ranges of row numbers; the rows of
// all groups, sorted.
LookupQuery rowsOf(const std::vector<Group>& groups, bool exact) {
    LookupQuery query{"select [city],[state],[zip] from [zip_codes] where ", {}};
    for (size_t g = 0; g < groups.size(); ++g) {
        query.statement += g == 0 ? "rowid in (" : " and rowid in (";
        for (size_t c = 0; c < groups[g].size(); ++c) {
            const Condition& condition = groups[g][c];
            query.parameters << (exact ? condition.value : condition.value + QLatin1Char('%'));
            query.statement += (c == 0 ? "select rowid from [zip_codes] where "
                                       : " union select rowid from "
                                         "[zip_codes] where ")
                               + QByteArray(condition.column) + (exact ? " = ?" : " like ?")
                               + QByteArray::number(query.parameters.size());
        }
        query.statement += ")";
    }
    query.statement += " order by [city],[state],[zip]";
    return query;
}

} // namespace

LookupQuery queryFor(const LookupRequest& request) {
    if (request.all)
        return {query::ListAll, {}};
    std::vector<Group> groups;
    if (request.pattern) {
        if (const auto place = cityAndState(*request.pattern)) {
            groups = {citySpellings(place->first), stateGroup(place->second)};
        } else {
            const QString& pattern = *request.pattern;
            Group any = citySpellings(pattern);
            if (any.size() == 1 && !request.exact && zipText(pattern) == pattern) {
                // The window's search: the text followed by "%", in any of the three fields.
                const QString windowPattern = pattern + QLatin1Char('%');
                return {query::searchFor(windowPattern), {windowPattern}};
            }
            any.front().value = pattern;
            any.push_back({"[state]", pattern});
            any.push_back({"[zip]", zipText(pattern)});
            groups = {any};
        }
    } else {
        if (request.city)
            groups.push_back(citySpellings(*request.city));
        if (request.state)
            groups.push_back(stateGroup(*request.state));
        if (request.zip)
            groups.push_back({{"[zip]", zipText(*request.zip)}});
    }
    return rowsOf(groups, request.exact);
}

LookupQuery queryForMany(const LookupRequest& request) {
    LookupQuery query = queryFor(request);
    if (query.statement != query::SearchRanges)
        return query;
    // Without wildcards a start is a range: from the text up to the text
    // followed by the last character there is (compared without regard to
    // letter case, as LIKE and the columns' collation do).
    const QString& start = *request.pattern;
    if (start.contains(QLatin1Char('%')) || start.contains(QLatin1Char('_')))
        return query;
    static constexpr char Ranges[] =
        "select [city],[state],[zip] from [zip_codes] where [city] >= ?1 and [city] < ?2 "
        "union all select [city],[state],[zip] from [zip_codes] where [state] >= ?1 and [state] < ?2 "
        "and not ([city] >= ?1 and [city] < ?2) "
        "union all select [city],[state],[zip] from [zip_codes] where [zip] >= ?1 and [zip] < ?2 "
        "and not ([city] >= ?1 and [city] < ?2) and not ([state] >= ?1 and [state] < ?2) "
        "order by 1,2,3";
    const char32_t last = 0x10FFFF;
    return {Ranges, {start, start + QString::fromUcs4(&last, 1)}};
}

} // namespace olvaris::lookup
