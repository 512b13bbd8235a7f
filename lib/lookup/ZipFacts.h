#pragma once
#include "GeoPoint.h"
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace olvaris::lookup {

class Places;

// What the check asks of the data beside the table, each ZIP once: whether
// a ZIP is one retired since the list (its last town), and where a ZIP is.
class ZipFacts {
public:
    explicit ZipFacts(Places& places) : m_places(places) {}

    struct Town {
        std::string city, state;
    };
    const Town* retiredTown(std::string_view zip);
    std::optional<geo::GeoPoint> point(std::string_view zip);

    // A name people use for where a ZIP is, found by the name's key in the
    // ZIP's state: a census place the ZIP's area overlaps, else the nearest
    // populated place so named and how far it is from the ZIP's point.
    struct LocalName {
        std::string place;
        bool overlaps = false;       // a census place the ZIP's area overlaps
        std::optional<double> miles; // else how far the named place is
    };
    std::optional<LocalName> localName(const std::string& zip, const std::string& state, const std::string& key);

private:
    Places& m_places;
    std::unordered_map<std::string, std::optional<Town>> m_retired;
    std::unordered_map<std::string, std::optional<geo::GeoPoint>> m_points;
};

} // namespace olvaris::lookup
