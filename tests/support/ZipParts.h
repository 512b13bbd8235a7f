#pragma once
// Workbooks made part by part, as the workbook tests write them; header-only
// and libzip alone, so a test of the workbook library needs nothing else.
#include <QFile>
#include <QtTest>
#include <string>
#include <utility>
#include <vector>
#include <zip.h>

namespace olvaris::test {

using Parts = std::vector<std::pair<std::string, std::string>>;

// Each part compressed by `method` (ZIP_CM_STORE: kept as it is).
inline void writeZip(const QString& path, const Parts& parts, zip_int32_t method = ZIP_CM_DEFAULT) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    QVERIFY(archive != nullptr);
    for (const auto& [name, text] : parts) {
        zip_source_t* source = zip_source_buffer(archive, text.data(), text.size(), 0);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        QVERIFY(index >= 0);
        QCOMPARE(zip_set_file_compression(archive, zip_uint64_t(index), method, 0), 0);
    }
    QCOMPARE(zip_close(archive), 0);
}

} // namespace olvaris::test
