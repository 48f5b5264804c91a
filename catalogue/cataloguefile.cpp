#include "cataloguefile.h"

#include "localname.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int layoutVersion = 2;
constexpr int busyMilliseconds = 10000;

QString catalogueText(const char *text)
{
    return QCoreApplication::translate("Catalogue", text);
}

const char *const firstLayout[] = {
    ("CREATE TABLE disks (id INTEGER PRIMARY KEY, serial TEXT NOT NULL, label BLOB NOT NULL,"
     " kind INTEGER NOT NULL, place BLOB NOT NULL, first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL,"
     " looked_at INTEGER)"),
    "CREATE INDEX disks_by_serial ON disks (serial, place)",
    ("CREATE TABLE styles (disk INTEGER NOT NULL REFERENCES disks (id), grp INTEGER NOT NULL,"
     " name BLOB NOT NULL, name_key TEXT NOT NULL, source BLOB NOT NULL, source_key TEXT NOT NULL,"
     " size INTEGER NOT NULL, sha256 BLOB NOT NULL, written INTEGER NOT NULL)"),
    "CREATE INDEX styles_by_disk ON styles (disk, name_key)",
    ("CREATE TABLE looked_files (disk INTEGER NOT NULL REFERENCES disks (id), name BLOB NOT NULL,"
     " name_key TEXT NOT NULL, size INTEGER NOT NULL)"),
    "CREATE INDEX looked_files_by_disk ON looked_files (disk, name_key)",
};

// What brings the tables from each layout version to the next, from version 1 on.
const char *const laterLayouts[layoutVersion - 1] = {
    // Checksums are XXH3-128 now; the SHA-256 ones kept from before are longer and so never
    // taken for the same bytes.
    "ALTER TABLE styles RENAME COLUMN sha256 TO checksum",
};

bool run(QSqlDatabase &db, const QString &statement, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    *error = query.lastError().text();
    return false;
}

// The layout version the file says it has, or -1 when it cannot be read.
int versionOf(QSqlDatabase &db, QString *error)
{
    QSqlQuery version(db);
    if (version.exec(QStringLiteral("PRAGMA user_version")) && version.next())
        return version.value(0).toInt();
    *error = version.lastError().text();
    return -1;
}

QString changeLayout(QSqlDatabase &db, int from)
{
    QString error;
    if (from == 0) {
        for (const char *statement : firstLayout) {
            if (!run(db, QLatin1String(statement), &error))
                return error;
        }
    }
    for (int version = std::max(from, 1); version < layoutVersion; ++version) {
        if (!run(db, QLatin1String(laterLayouts[version - 1]), &error))
            return error;
    }
    run(db, QStringLiteral("PRAGMA user_version = %1").arg(layoutVersion), &error);
    return error;
}

// The catalogue's tables as this version writes them, from whatever version the file has.
// Another Dupliva may be making them at the same moment.
QString migrate(QSqlDatabase &db)
{
    QString error;
    if (!run(db, QStringLiteral("BEGIN IMMEDIATE"), &error))
        return error;
    const int found = versionOf(db, &error);
    if (found >= 0 && found < layoutVersion)
        error = changeLayout(db, found);
    else if (found > layoutVersion)
        error = catalogueText("It was written by a newer Dupliva.");
    if (error.isEmpty() && run(db, QStringLiteral("COMMIT"), &error))
        return {};
    QString ignored;
    run(db, QStringLiteral("ROLLBACK"), &ignored);
    return error;
}

enum class Health { Sound, Damaged, Unreadable };

// SQLite's codes for a file that is not a database, or one whose pages do not hold together.
bool meansDamage(const QSqlError &error)
{
    return error.nativeErrorCode() == QLatin1String("26") || error.nativeErrorCode() == QLatin1String("11");
}

Health checkHealth(QSqlDatabase &db, QString *error)
{
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("PRAGMA quick_check"))) {
        *error = check.lastError().text();
        return meansDamage(check.lastError()) ? Health::Damaged : Health::Unreadable;
    }
    return check.next() && check.value(0).toString() == QLatin1String("ok") ? Health::Sound : Health::Damaged;
}

// Moves the file and its write-ahead log aside, under names no file has yet.
QString moveAside(const QString &path)
{
    const QString stem = path + QStringLiteral(".damaged-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString aside = stem;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = stem + QStringLiteral("-%1").arg(n);
    for (const char *suffix : {"-wal", "-shm"}) {
        if (QFileInfo::exists(path + suffix))
            std::rename(localName(path + suffix).constData(), localName(aside + suffix).constData());
    }
    if (std::rename(localName(path).constData(), localName(aside).constData()) != 0)
        return {};
    return aside;
}

QString openConnection(const QString &connection, const QString &path)
{
    if (!QDir().mkpath(folderOf(path)))
        return catalogueText("Its folder %1 cannot be made.").arg(folderOf(path));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMilliseconds));
    return db.open() ? QString() : db.lastError().text();
}

void closeConnection(const QString &connection)
{
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
}

bool isBusy(const QSqlError &error)
{
    return error.nativeErrorCode() == QLatin1String("5");
}

// Switching to WAL needs the file to itself, and SQLite does not wait for that: when another
// Dupliva opens the same new catalogue at the same moment, this tries again until it can.
QString switchToWriteAheadLog(QSqlDatabase &db)
{
    QDeadlineTimer deadline(busyMilliseconds);
    for (;;) {
        QSqlQuery mode(db);
        if (mode.exec(QStringLiteral("PRAGMA journal_mode = WAL")) && mode.next())
            return mode.value(0).toString() == QLatin1String("wal") ? QString() : catalogueText("It cannot be written.");
        if (!isBusy(mode.lastError()) || deadline.hasExpired())
            return mode.lastError().text();
        QThread::msleep(20);
    }
}

// WAL lets a reader go on while another Dupliva writes; NORMAL keeps every commit whole.
QString prepare(const QString &connection)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QString error = switchToWriteAheadLog(db);
    if (!error.isEmpty())
        return error;
    // The groups set down ahead stay in memory, not in a file of $TMPDIR.
    if (!run(db, QStringLiteral("PRAGMA synchronous = NORMAL"), &error) || !run(db, QStringLiteral("PRAGMA temp_store = MEMORY"), &error))
        return error;
    return migrate(db);
}

} // namespace

CatalogueFile openCatalogueFile(const QString &connection, const QString &path)
{
    CatalogueFile file;
    for (int attempt = 0; attempt < 2; ++attempt) {
        file.error = openConnection(connection, path);
        Health health = Health::Unreadable;
        if (file.error.isEmpty()) {
            QSqlDatabase db = QSqlDatabase::database(connection, false);
            health = checkHealth(db, &file.error);
        }
        if (health == Health::Sound) {
            file.error = prepare(connection);
            if (file.error.isEmpty())
                return file;
        }
        closeConnection(connection);
        if (health != Health::Damaged || attempt > 0)
            break;
        const QString aside = moveAside(path);
        if (aside.isEmpty())
            break;
        file.movedAside = catalogueText("The catalogue %1 was damaged and is kept as %2; a new one was started.").arg(path, aside);
    }
    file.error = catalogueText("The catalogue of disks %1 cannot be used: %2").arg(path, file.error);
    return file;
}
