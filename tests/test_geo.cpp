// Where places are: the box a radius covers holds every point within the
// radius, by the great-circle distance, anywhere on the earth.
#include "GeoPoint.h"
#include <QtTest>
#include <cmath>
#include <random>

using namespace olvaris::geo;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double EarthRadiusKm = 6371.0088;

// The point the distance away from the start along the bearing (radians).
GeoPoint travelled(GeoPoint start, double bearing, double kilometres) {
    const double lat = start.latitude * Pi / 180, angle = kilometres / EarthRadiusKm;
    const double to = std::asin(std::sin(lat) * std::cos(angle) + std::cos(lat) * std::sin(angle) * std::cos(bearing));
    const double east =
        std::atan2(std::sin(bearing) * std::sin(angle) * std::cos(lat), std::cos(angle) - std::sin(lat) * std::sin(to));
    return {to * 180 / Pi, std::remainder(start.longitude + east * 180 / Pi, 360.0)};
}

} // namespace

class GeoTest : public QObject {
    Q_OBJECT

private slots:
    // Centres anywhere, near the poles and near the 180th meridian; radii
    // from metres to thousands of kilometres; points on the circle's edge
    // and inside it.
    void aBoxHoldsItsCircle() {
        std::mt19937 random(11);
        std::uniform_real_distribution<double> unit(0, 1);
        int checked = 0;
        for (int centres = 0; centres < 3000; ++centres) {
            const double side = unit(random) < 0.5 ? -1 : 1;
            GeoPoint centre{unit(random) * 180 - 90, unit(random) * 360 - 180};
            if (centres % 3 == 1)
                centre.latitude = side * (90 - std::pow(10, unit(random) * 4 - 3)); // within 10 degrees of a pole
            else if (centres % 3 == 2)
                centre.longitude = side * (180 - std::pow(10, unit(random) * 3 - 3)); // within 1 degree of 180
            const double radius = std::pow(10, unit(random) * 6 - 2.5);               // 3 m to 3000 km
            const Box box = boxAround(centre, radius);
            for (int points = 0; points < 40; ++points) {
                const double reach = points % 2 == 0 ? 1 - 1e-12 : unit(random);
                const GeoPoint point = travelled(centre, unit(random) * 2 * Pi, radius * reach);
                if (kilometresBetween(centre, point) > radius)
                    continue;
                ++checked;
                const double slack = 1e-9;
                QVERIFY2(point.latitude >= box.south - slack && point.latitude <= box.north + slack
                             && point.longitude >= box.west - slack && point.longitude <= box.east + slack,
                         qPrintable(QStringLiteral("centre %1,%2, radius %3 km: %4,%5 outside %6..%7, %8..%9")
                                        .arg(centre.latitude, 0, 'f', 9)
                                        .arg(centre.longitude, 0, 'f', 9)
                                        .arg(radius)
                                        .arg(point.latitude, 0, 'f', 9)
                                        .arg(point.longitude, 0, 'f', 9)
                                        .arg(box.south)
                                        .arg(box.north)
                                        .arg(box.west)
                                        .arg(box.east)));
            }
        }
        QVERIFY(checked > 60000);
    }
};

QTEST_GUILESS_MAIN(GeoTest)
#include "test_geo.moc"
