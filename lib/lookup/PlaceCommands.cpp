#include "PlaceCommands.h"
#include "Complaint.h"
#include "ZipRules.h"
#include <cstdio>

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
            writer.text(QByteArrayView(value.data(), qsizetype(value.size())));
            break;
        case RowWriter::Format::Csv:
            writer.text(i == 0 ? "" : ",");
            writer.csvField(QByteArrayView(value.data(), qsizetype(value.size())), ',');
            break;
        case RowWriter::Format::JsonLines:
            writer.text(i == 0 ? "{\"" : ",\"");
            writer.text(fields[i].first);
            writer.text("\":");
            if (numeric[i])
                writer.text(QByteArrayView(value.data(), qsizetype(value.size())));
            else
                writer.jsonString(QByteArrayView(value.data(), qsizetype(value.size())));
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

int writeNear(Places& places, const std::vector<std::string>& placeTexts, const NearOptions& options, RowWriter& writer,
              RowWriter::Format format, bool placeColumn) {
    const char* distanceName = options.radius.miles ? "distance_mi" : "distance_km";
    const double perUnit = options.radius.miles ? geo::KilometresPerMile : 1.0;
    bool headerWritten = false, unknown = false, nothing = false;
    for (const std::string& text : placeTexts) {
        NamedPlace place;
        try {
            place = findPlace(places, text);
        } catch (const NoPlace& noPlace) {
            complain(QString::fromStdString(noPlace.what()));
            unknown = true;
            continue;
        }
        const std::vector<NearRow> rows = rowsNear(places, place, options.radius.kilometres, options.limit);
        if (rows.empty()) {
            nothing = true;
            complain(QString::fromStdString(place.said),
                     QStringLiteral("no ZIP code within %1 %2")
                         .arg(QString::fromStdString(number(options.radius.kilometres / perUnit)))
                         .arg(options.radius.miles ? "mi" : "km"));
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
            if (format == RowWriter::Format::Csv && !headerWritten)
                writeCsvHeader(writer, fields);
            headerWritten = true;
            writeFields(writer, format, fields, numeric);
        }
    }
    if (unknown)
        return Trouble;
    return nothing ? 1 : 0;
}

int writeDistance(Places& places, const std::string& from, const std::string& to, RowWriter& writer,
                  RowWriter::Format format) {
    NamedPlace a, b;
    try {
        a = findPlace(places, from);
        b = findPlace(places, to);
    } catch (const NoPlace& noPlace) {
        return complain(QString::fromStdString(noPlace.what()));
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
        return complain(QStringLiteral("the database records no sources (it was built before they were)"));
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

} // namespace olvaris::lookup
