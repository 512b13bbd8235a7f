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

private:
    Places& m_places;
    std::unordered_map<std::string, std::optional<Town>> m_retired;
    std::unordered_map<std::string, std::optional<geo::GeoPoint>> m_points;
};

} // namespace olvaris::lookup
