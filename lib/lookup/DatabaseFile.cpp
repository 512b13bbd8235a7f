#include "DatabaseFile.h"
#include "Error.h"
#include "ZipDatabase.h"
#include <sys/stat.h>

namespace olvaris::lookup {

sqlite::Connection openDatabaseFile(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0)
        throw Error(Error::Kind::Database, "no such file", path);
    if (!S_ISREG(status.st_mode))
        throw Error(Error::Kind::Database, "not a file", path);
    try {
        return zipbase::openZipDatabase(path);
    } catch (const Error& error) {
        throw Error(Error::Kind::Database, error.what(), path);
    }
}

} // namespace olvaris::lookup
