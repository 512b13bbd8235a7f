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

} // namespace olvaris::lookup
