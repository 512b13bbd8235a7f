#include "PlaceCommands.h"
#include "Complaint.h"
#include "DatabaseFile.h"
#include "LocalTime.h"
#include "RecordReader.h"
#include "RowsRun.h"
#include "ZipRules.h"
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace olvaris::lookup {

namespace {

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

void writeFields(RowWriter& writer, RowWriter::Format format,
                 const std::vector<std::pair<const char*, std::string>>& fields, const std::vector<bool>& numeric) {
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string& value = fields[i].second;
        switch (format) {
        case RowWriter::Format::Tabs:
            writer.text(i == 0 ? "" : "\t");
            writer.text(value);
            break;
        case RowWriter::Format::Csv:
            writer.text(i == 0 ? "" : ",");
            writer.csvField(value, ',');
            break;
        case RowWriter::Format::JsonLines:
            writer.text(i == 0 ? "{\"" : ",\"");
            writer.text(fields[i].first);
            writer.text("\":");
            if (numeric[i])
                writer.text(value);
            else
                writer.jsonString(value);
            break;
        }
    }
    writer.text(format == RowWriter::Format::JsonLines ? "}\n" : format == RowWriter::Format::Csv ? "\r\n" : "\n");
    writer.endRecord();
}

void writeCsvHeader(RowWriter& writer, const std::vector<std::pair<const char*, std::string>>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) {
        writer.text(i == 0 ? "" : ",");
        writer.text(fields[i].first);
    }
    writer.text("\r\n");
}

} // namespace

int writeNear(Places& places, const NextPlace& nextPlace, const NearOptions& options, RowWriter& writer,
              RowWriter::Format format, bool placeColumn) {
    const char* distanceName = options.radius.miles ? "distance_mi" : "distance_km";
    const double perUnit = options.radius.miles ? geo::KilometresPerMile : 1.0;
    bool headerWritten = false, unknown = false, nothing = false;
    // The time zone with --zone, and in JSON always where the data knows it.
    std::optional<ZoneColumns> zones;
    if (options.zone && !places.zoned())
        throw Error(Error::Kind::Database, "the database records no time zones (it was built without them)");
    if ((options.zone || format == RowWriter::Format::JsonLines) && places.zoned())
        zones.emplace(places);
    std::string text;
    while (nextPlace(text)) {
        NamedPlace place;
        try {
            place = findPlace(places, text);
        } catch (const NoPlace& noPlace) {
            complain(noPlace.what());
            unknown = true;
            continue;
        }
        const std::vector<NearRow> rows = rowsNear(places, place, options.radius.kilometres, options.limit);
        if (rows.empty()) {
            nothing = true;
            complain(place.said, "no ZIP code within " + number(options.radius.kilometres / perUnit)
                                     + (options.radius.miles ? " mi" : " km"));
        }
        for (const NearRow& row : rows) {
            std::vector<std::pair<const char*, std::string>> fields;
            std::vector<bool> numeric;
            if (placeColumn) {
                fields.emplace_back("place", text);
                numeric.push_back(false);
            }
            fields.insert(fields.end(), {{"city", row.row.city},
                                         {"state", row.row.state},
                                         {"zip", row.row.zip},
                                         {distanceName, number(row.kilometres / perUnit)}});
            numeric.insert(numeric.end(), {false, false, false, true});
            if (options.county || format == RowWriter::Format::JsonLines) {
                fields.emplace_back("county", places.countyOf(row.row.zip));
                numeric.push_back(false);
            }
            if (zones) {
                fields.emplace_back("time_zone", zones->zoneOf(row.row.zip));
                numeric.push_back(false);
            }
            if (options.zone) {
                fields.emplace_back("local_time", zones->localTimeOf(row.row.zip));
                numeric.push_back(false);
            }
            if (format == RowWriter::Format::Csv && !headerWritten)
                writeCsvHeader(writer, fields);
            headerWritten = true;
            writeFields(writer, format, fields, numeric);
        }
    }
    if (unknown)
        return Trouble;
    // A time asked for that could not be told is an answer not given.
    return nothing || (zones && zones->timeMissing()) ? 1 : 0;
}

int writeDistance(Places& places, const std::string& from, const std::string& to, RowWriter& writer,
                  RowWriter::Format format) {
    NamedPlace a, b;
    try {
        a = findPlace(places, from);
        b = findPlace(places, to);
    } catch (const NoPlace& noPlace) {
        return complain(noPlace.what());
    }
    const double kilometres = kilometresBetween(a, b);
    const std::vector<std::pair<const char*, std::string>> fields = {
        {"from", a.said},
        {"to", b.said},
        {"miles", number(kilometres / geo::KilometresPerMile)},
        {"kilometres", number(kilometres)}};
    if (format == RowWriter::Format::Csv)
        writeCsvHeader(writer, fields);
    writeFields(writer, format, fields, {false, false, true, true});
    return 0;
}

int writeSources(Places& places, std::FILE* out) {
    const std::vector<Places::Source> sources = places.sources();
    if (sources.empty())
        return complain("the database records no sources (it was built before they were)");
    for (const Places::Source& source : sources)
        std::fprintf(out, "%s: %s, %lld lines%s%s\n", source.role.c_str(), source.file.c_str(), source.lines,
                     source.note.empty() ? "" : "\n  ", source.note.c_str());
    return 0;
}

std::string retiredNote(Places& places, const std::string& text) {
    const std::optional<ziplist::Zip> zip = ziplist::zipFrom(text);
    if (!zip || !places.rowsOfZip(zip->five).empty())
        return {};
    try {
        findPlace(places, zip->five);
    } catch (const NoPlace& noPlace) {
        const std::string note = noPlace.what();
        return note.find(" is retired ") != std::string::npos ? note : std::string();
    }
    return {};
}

std::string placeNote(Places& places, const std::string& text) {
    if (text.find(',') == std::string::npos || !places.knowsPlaceNames())
        return {};
    NamedPlace place;
    try {
        place = findPlace(places, text);
    } catch (const NoPlace&) {
        return {};
    }
    if (place.isTown)
        return {};
    constexpr size_t Nearest = 3;
    const std::vector<NearRow> rows = rowsNear(places, place, 5 * geo::KilometresPerMile, 0);
    std::vector<std::string> zips;
    std::vector<std::string> towns;
    for (const NearRow& row : rows) {
        const bool newZip = std::find(zips.begin(), zips.end(), row.row.zip) == zips.end();
        if (newZip && zips.size() == Nearest)
            break;
        if (newZip)
            zips.push_back(row.row.zip);
        if (std::find(towns.begin(), towns.end(), row.row.city) == towns.end())
            towns.push_back(row.row.city);
    }
    std::string note = place.said + " is a place, not a ZIP code's name";
    if (zips.empty())
        return note + ": no ZIP code within 5 mi";
    note += ": near ";
    for (size_t i = 0; i < zips.size(); ++i)
        note.append(i == 0 ? "" : ", ").append(zips[i]);
    note += " (";
    for (size_t i = 0; i < towns.size(); ++i)
        note.append(i == 0 ? "" : ", ").append(towns[i]);
    return note + ")";
}

namespace {

// --near with no places given: one a line of standard input, blank lines
// passed over. A line too long to be a place is said, and the run fails.
int writeNearFromInput(Places& places, const PlaceRequest& request, RowWriter& writer) {
    ziplist::RecordReader lines = ziplist::RecordReader::patternLines(STDIN_FILENO);
    long tooLong = 0;
    const NextPlace fromLines = [&lines, &tooLong](std::string& place) {
        while (nextInputLine(lines, tooLong)) {
            place = ziplist::trimmed(lines.fields().front());
            if (!place.empty())
                return true;
        }
        return false;
    };
    const int status = writeNear(places, fromLines, request.near, writer, request.format, true);
    return tooLong > 0 ? Trouble : status;
}

// --near with its places given on the command line.
int writeNearGiven(Places& places, const PlaceRequest& request, RowWriter& writer) {
    size_t next = 0;
    const NextPlace given = [&](std::string& place) {
        if (next == request.places.size())
            return false;
        place = request.places[next++];
        return true;
    };
    return writeNear(places, given, request.near, writer, request.format, false);
}

} // namespace

int runPlaceRequest(const PlaceRequest& request, const std::string& database) {
    const sqlite::Connection db = openDatabaseFile(database);
    Places places(db.get());
    RowWriter writer(stdout, request.format);
    return runWritingRows(writer, database, [&] {
        switch (request.kind) {
        case PlaceRequest::Kind::Near:
            return request.places.empty() ? writeNearFromInput(places, request, writer)
                                          : writeNearGiven(places, request, writer);
        case PlaceRequest::Kind::Distance:
            return writeDistance(places, request.places.at(0), request.places.at(1), writer, request.format);
        case PlaceRequest::Kind::About:
            return writeSources(places, stdout);
        }
        return 0;
    });
}

} // namespace olvaris::lookup
