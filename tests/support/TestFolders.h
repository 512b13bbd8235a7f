#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace olvaris::test {

// A program folder and a settings folder of the test's own. The program's
// files are looked for in the first; per-user settings go to the second.
class TestFolders {
public:
    enum Database { WithShippedDatabase, WithoutDatabase };
    explicit TestFolders(Database database = WithShippedDatabase);
    ~TestFolders();

    QString appFolder() const { return m_app.path(); }
    QString configFolder() const { return m_config.path(); }
    QString databasePath() const;
    QString filePath(const QString& relativeName) const;
    void writeFile(const QString& relativeName, const QByteArray& bytes) const;

    static QString shippedDatabase();
    static QByteArray randomBytes(int size, unsigned seed);

private:
    QTemporaryDir m_app;
    QTemporaryDir m_config;
};

} // namespace olvaris::test
