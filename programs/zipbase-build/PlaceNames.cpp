#include "PlaceNames.h"
#include "RecordReader.h"
#include "ZipRules.h"
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include "Error.h"
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris::zipdata {

namespace {

// A source read a record at a time, its columns found by their header names.
class NamedColumns {
public:
    NamedColumns(const std::string& path, const std::vector<std::vector<std::string>>& wanted)
        : m_path(path), m_descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
        if (m_descriptor < 0)
            throw Error(Error::Kind::Input, "cannot open " + path + ": " + std::strerror(errno));
        struct stat status {};
        if (::fstat(m_descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
            ::close(m_descriptor);
            throw Error(Error::Kind::Input, "not an ordinary file", path);
        }
        m_reader.emplace(m_descriptor);
        m_reader->setSeparator(m_reader->firstLine().find('\t') != std::string_view::npos ? "\t" : ",", true);
        if (!m_reader->next())
            throw Error(Error::Kind::Input, "empty", path);
        const std::vector<std::string>& header = m_reader->fields();
        std::string names;
        for (const std::vector<std::string>& kind : wanted) {
            int found = -1;
            for (int i = 0; i < int(header.size()) && found < 0; ++i) {
                std::string name(ziplist::trimmed(header[size_t(i)]));
                for (char& c : name)
                    c = char(std::tolower(static_cast<unsigned char>(c)));
                if (std::find(kind.begin(), kind.end(), name) != kind.end())
                    found = i;
            }
            if (found < 0)
                throw Error(Error::Kind::Input, "the header must name the " + kind.front() + " column", path, 1);
            m_columns.push_back(size_t(found));
        }
    }
    ~NamedColumns() { ::close(m_descriptor); }
    NamedColumns(const NamedColumns&) = delete;
    NamedColumns& operator=(const NamedColumns&) = delete;

    // The next record's wanted fields, trimmed; false at the end. A blank
    // line is passed over; one with too few fields is left out, said.
    bool next(std::vector<std::string_view>& fields, long& line, std::vector<LeftOut>& leftOut) {
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
        return false;
    }

private:
    std::string m_path;
    int m_descriptor;
    std::optional<ziplist::RecordReader> m_reader;
    std::vector<size_t> m_columns;
};

const std::vector<std::string> ZipNames{"zip", "zip code", "zipcode", "postal code"};
const std::vector<std::string> StateNames{"state", "st", "state code"};
const std::vector<std::string> PlaceNames{"place", "city", "name", "place name"};

} // namespace

CensusPlaces readCensusPlaces(const std::string& path) {
    NamedColumns source(path, {ZipNames, StateNames, PlaceNames});
    CensusPlaces places;
    std::vector<std::string_view> fields;
    while (source.next(fields, places.lines, places.leftOut)) {
        const std::optional<ziplist::Zip> zip = ziplist::zipFrom(fields[0]);
        const std::optional<ziplist::State> state = ziplist::stateFrom(fields[1]);
        if (!zip)
            places.leftOut.push_back({places.lines, "not a ZIP code"});
        else if (!state)
            places.leftOut.push_back({places.lines, "not a US state"});
        else if (fields[2].empty() || ziplist::cityKey(fields[2]).empty())
            places.leftOut.push_back({places.lines, "no place named"});
        else
            places.rows.push_back({zip->five, state->code, std::string(fields[2])});
    }
    return places;
}

NamedPlaces readNamedPlaces(const std::string& path) {
    NamedColumns source(path, {PlaceNames, StateNames, {"latitude", "lat"}, {"longitude", "lon", "lng", "long"}});
    NamedPlaces places;
    std::vector<std::string_view> fields;
    while (source.next(fields, places.lines, places.leftOut)) {
        const std::optional<ziplist::State> state = ziplist::stateFrom(fields[1]);
        const std::optional<geo::GeoPoint> point = geo::pointFrom(fields[2], fields[3]);
        if (!state)
            places.leftOut.push_back({places.lines, "not a US state"});
        else if (!point)
            // Appended: g++ 12's -Wrestrict reports a false overlap in a literal joined to a temporary.
            places.leftOut.push_back(
                {places.lines, std::string("no place at ").append(fields[2]).append(",").append(fields[3])});
        else if (fields[0].empty() || ziplist::cityKey(fields[0]).empty())
            places.leftOut.push_back({places.lines, "no place named"});
        else
            places.rows.push_back({std::string(fields[0]), state->code, *point});
    }
    return places;
}

} // namespace olvaris::zipdata
