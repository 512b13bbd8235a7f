#include "ZipFacts.h"
#include "Places.h"

namespace olvaris::lookup {

const ZipFacts::Town* ZipFacts::retiredTown(std::string_view zip) {
    auto found = m_retired.find(std::string(zip));
    if (found == m_retired.end()) {
        std::optional<Town> town;
        if (const std::optional<Places::Retired> retired = m_places.retired(std::string(zip)))
            town = Town{retired->city, retired->state};
        found = m_retired.emplace(std::string(zip), std::move(town)).first;
    }
    return found->second ? &*found->second : nullptr;
}

std::optional<geo::GeoPoint> ZipFacts::point(std::string_view zip) {
    auto found = m_points.find(std::string(zip));
    if (found == m_points.end())
        found = m_points.emplace(std::string(zip), m_places.pointOf(std::string(zip))).first;
    return found->second;
}

std::optional<ZipFacts::LocalName> ZipFacts::localName(const std::string& zip, const std::string& state,
                                                       const std::string& key) {
    if (!m_places.knowsPlaceNames() || key.empty())
        return std::nullopt;
    for (const Places::PlaceName& census : m_places.censusPlacesOf(zip, state))
        if (census.key == key)
            return LocalName{census.place, true, std::nullopt};
    const std::optional<geo::GeoPoint> from = point(zip);
    std::optional<LocalName> nearest;
    for (const Places::NamedPoint& named : m_places.namedPlaces(state, key)) {
        const std::optional<double> miles =
            from ? std::optional<double>(geo::milesBetween(*from, named.point)) : std::nullopt;
        if (!nearest || (miles && (!nearest->miles || *miles < *nearest->miles)))
            nearest = LocalName{named.place, false, miles};
    }
    return nearest;
}

} // namespace olvaris::lookup
