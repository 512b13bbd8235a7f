#include "LookupQuery.h"
#include "data/ZipQueries.h"

namespace olvaris::lookup {

LookupQuery queryFor(const LookupRequest& request) {
    if (request.all)
        return {query::ListAll, {}};
    if (request.pattern) {
        // The window's search: the text followed by "%", in any of the three fields.
        const QString pattern = *request.pattern + QLatin1Char('%');
        return {query::searchFor(pattern), {pattern}};
    }
    // Each field given must begin with its text.
    QByteArray where;
    QStringList parameters;
    const std::pair<const char*, const std::optional<QString>*> fields[] = {
        {"[city]", &request.city}, {"[state]", &request.state}, {"[zip]", &request.zip}};
    for (const auto& [column, text] : fields) {
        if (!*text)
            continue;
        parameters << **text + QLatin1Char('%');
        where += (where.isEmpty() ? " where " : " and ") + QByteArray(column) + " like ?"
                 + QByteArray::number(parameters.size());
    }
    return {"select [city],[state],[zip] from [zip_codes]" + where + " order by [city],[state],[zip]", parameters};
}

} // namespace olvaris::lookup
