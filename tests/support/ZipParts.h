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

inline void writeZip(const QString& path, const Parts& parts) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    QVERIFY(archive != nullptr);
    for (const auto& [name, text] : parts) {
        zip_source_t* source = zip_source_buffer(archive, text.data(), text.size(), 0);
        QVERIFY(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) >= 0);
    }
    QCOMPARE(zip_close(archive), 0);
}

} // namespace olvaris::test
