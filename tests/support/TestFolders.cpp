#include "TestFolders.h"
#include "AppFiles.h"
#include "ApplicationTitle.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <random>
#include <stdexcept>

namespace olvaris::test {

TestFolders::TestFolders(Database database) {
    if (!m_app.isValid() || !m_config.isValid())
        throw std::runtime_error("cannot create temporary folders");
    AppFiles::overrideFolder(m_app.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    ApplicationTitle::reset();
    if (database == WithShippedDatabase && !QFile::copy(shippedDatabase(), databasePath()))
        throw std::runtime_error("cannot copy the shipped database");
}

TestFolders::~TestFolders() { AppFiles::clearOverride(); }

QString TestFolders::databasePath() const { return filePath(QStringLiteral("zipbase.mdb")); }

QString TestFolders::filePath(const QString& relativeName) const { return QDir(m_app.path()).filePath(relativeName); }

void TestFolders::writeFile(const QString& relativeName, const QByteArray& bytes) const {
    const QString path = filePath(relativeName);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}

QString TestFolders::shippedDatabase() { return QStringLiteral(OLVARIS_SHIPPED_DATABASE); }

QByteArray TestFolders::randomBytes(int size, unsigned seed) {
    std::mt19937 generator(seed);
    QByteArray bytes(size, '\0');
    for (char& byte : bytes)
        byte = char(generator() & 0xFF);
    return bytes;
}

} // namespace olvaris::test
