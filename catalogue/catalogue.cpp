#include "catalogue.h"

#include "cataloguefile.h"
#include "fatname.h"
#include "localname.h"

#include <QAtomicInteger>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QStandardPaths>

#include <utility>

#include <sqlite3.h>


namespace {

QAtomicInteger<quint64> connectionsMade;

QByteArray bytesOf(const QString &text)
{
    return localName(text);
}

QString textOf(const QVariant &bytes)
{
    return fromLocalName(bytes.toByteArray());
}

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// What find compares: the text folded as Unicode folds case, each byte that is no UTF-8
// as U+FFFD, which SQLite keeps as it is.
QString searchKey(const QString &text)
{
    return QString::fromUtf8(localName(text)).toCaseFolded();
}

// A file found on a disk belongs to the group of its name's first two digits, as the
// keyboard reads it.
int groupOfName(const QString &name)
{
    bool number = false;
    const int group = name.left(2).toInt(&number);
    return number && name.size() > 2 && group >= 1 && group <= 20 ? group : 0;
}

// SQLite keeps an empty text or BLOB apart from NULL, which a NOT NULL column refuses.
QVariant notNull(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString && value.toString().isNull())
        return QString(QLatin1String(""));
    if (value.typeId() == QMetaType::QByteArray && value.toByteArray().isNull())
        return QByteArray("");
    return value;
}

// A prepared statement whose values are bound in order, afresh after again(). A failure
// leaves the database's words in *failure.
class Query : public QSqlQuery {
public:
    Query(const QString &connection, const QString &statement, QString *failure)
        : QSqlQuery(QSqlDatabase::database(connection, false))
        , failure(failure)
    {
        setForwardOnly(true);
        prepare(statement);
    }
    Query(const QString &connection, const char *statement, QString *failure)
        : Query(connection, QLatin1String(statement), failure)
    {
    }

    Query &bind(const QVariant &value)
    {
        bindValue(bound++, notNull(value));
        return *this;
    }

    Query &again()
    {
        bound = 0;
        return *this;
    }

    bool run()
    {
        if (exec())
            return true;
        *failure = lastError().text();
        return false;
    }

private:
    QString *failure;
    int bound = 0;
};

const char *const foundColumns = "SELECT d.serial, d.label, d.kind, d.place, ";

FoundStyle foundStyle(const QSqlQuery &row)
{
    FoundStyle found;
    found.disk = {row.value(0).toString(), textOf(row.value(1)), DriveKind(row.value(2).toInt()), textOf(row.value(3))};
    found.name = textOf(row.value(4));
    found.group = row.value(5).toInt();
    found.source = textOf(row.value(6));
    found.when = QDateTime::fromMSecsSinceEpoch(row.value(7).toLongLong(), Qt::UTC);
    found.checksum = row.value(8).toByteArray();
    if (found.group == 0)
        found.group = groupOfName(found.name);
    return found;
}

QList<FoundStyle> foundStyles(Query &query)
{
    QList<FoundStyle> found;
    if (!query.run())
        return found;
    while (query.next())
        found.append(foundStyle(query));
    return found;
}

// SQLite's own calls on the connection that Qt opened: Qt binds each value at a cost
// that a group of rows set down one by one would feel.
sqlite3 *sqliteHandle(const QString &connection)
{
    const QVariant handle = QSqlDatabase::database(connection, false).driver()->handle();
    return handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0 ? *static_cast<sqlite3 *const *>(handle.constData())
                                                                          : nullptr;
}

// A statement of SQLite's own, finalized when it goes.
class Statement {
public:
    Statement(sqlite3 *db, const char *text) { sqlite3_prepare_v2(db, text, -1, &statement, nullptr); }
    ~Statement() { sqlite3_finalize(statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool valid() const { return statement; }
    void bind(int column, const QByteArray &bytes) { sqlite3_bind_blob(statement, column, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT); }
    void bind(int column, const QString &text) { bind(column, text.toUtf8(), SQLITE_UTF8); }
    void bind(int column, qint64 number) { sqlite3_bind_int64(statement, column, number); }
    bool run() { return sqlite3_step(statement) == SQLITE_DONE && sqlite3_reset(statement) == SQLITE_OK; }

private:
    void bind(int column, const QByteArray &text, int) { sqlite3_bind_text(statement, column, text.constData(), int(text.size()), SQLITE_TRANSIENT); }

    sqlite3_stmt *statement = nullptr;
};

} // namespace

QString Catalogue::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/dupliva/catalogue.sqlite");
}

Catalogue Catalogue::open(const QString &path)
{
    return Catalogue(path);
}

Catalogue::Catalogue(const QString &path)
{
    const QString name = QStringLiteral("dupliva-catalogue-%1").arg(++connectionsMade);
    const CatalogueFile file = openCatalogueFile(name, path);
    failure = file.error;
    damagedNote = file.movedAside;
    if (failure.isEmpty())
        connection = name;
}

Catalogue::Catalogue(Catalogue &&other) noexcept
    : connection(std::exchange(other.connection, {}))
    , failure(std::move(other.failure))
    , damagedNote(std::move(other.damagedNote))
    , stagesMade(other.stagesMade)
{
}

Catalogue::~Catalogue()
{
    if (connection.isEmpty())
        return;
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
}

// The disk's row, made when the disk is new; -1 when it cannot be.
qint64 Catalogue::diskRow(const DiskId &disk)
{
    Query known(connection, "SELECT id FROM disks WHERE serial = ? AND place = ? AND (serial <> '' OR label = ?) LIMIT 1", &failure);
    if (!known.bind(disk.serial).bind(bytesOf(disk.place)).bind(bytesOf(disk.label)).run())
        return -1;
    if (known.next()) {
        const qint64 id = known.value(0).toLongLong();
        Query seen(connection, "UPDATE disks SET label = ?, kind = ?, last_seen = ? WHERE id = ?", &failure);
        return seen.bind(bytesOf(disk.label)).bind(int(disk.kind)).bind(now()).bind(id).run() ? id : -1;
    }
    Query add(connection, "INSERT INTO disks (serial, label, kind, place, first_seen, last_seen) VALUES (?, ?, ?, ?, ?, ?)", &failure);
    add.bind(disk.serial).bind(bytesOf(disk.label)).bind(int(disk.kind)).bind(bytesOf(disk.place)).bind(now()).bind(now());
    return add.run() ? add.lastInsertId().toLongLong() : -1;
}

// One transaction that takes the write lock at once, so that two Dupliva windows writing
// together wait for each other instead of failing.
bool Catalogue::write(const DiskId &disk, const std::function<bool(qint64)> &change)
{
    if (connection.isEmpty())
        return false;
    Query begin(connection, "BEGIN IMMEDIATE", &failure);
    if (!begin.run())
        return false;
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    const qint64 id = diskRow(disk);
    if (id >= 0 && change(id)) {
        if (db.commit()) {
            failure.clear();
            return true;
        }
        failure = db.lastError().text();
    }
    db.rollback();
    return false;
}


// Staged rows live in this connection's own temporary table, which takes no lock on the
// catalogue: another Dupliva goes on writing meanwhile.
int Catalogue::stageGroup(int group, const QList<WrittenStyle> &styles)
{
    sqlite3 *db = connection.isEmpty() ? nullptr : sqliteHandle(connection);
    if (!db)
        return -1;
    const char *table = "CREATE TEMP TABLE IF NOT EXISTS staged (stage INTEGER NOT NULL, grp INTEGER NOT NULL,"
                        " name BLOB NOT NULL, name_key TEXT NOT NULL, fat_name BLOB NOT NULL, fat_key TEXT NOT NULL,"
                        " source BLOB NOT NULL, source_key TEXT NOT NULL, size INTEGER NOT NULL, checksum BLOB NOT NULL)";
    if (sqlite3_exec(db, table, nullptr, nullptr, nullptr) != SQLITE_OK || sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
        failure = QString::fromUtf8(sqlite3_errmsg(db));
        return -1;
    }
    const int stage = ++stagesMade;
    Statement add(db, "INSERT INTO staged VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    bool done = add.valid();
    for (qsizetype i = 0; done && i < styles.size(); ++i) {
        const WrittenStyle &style = styles[i];
        const QString fatName = fatDiskName(style.name);
        add.bind(1, qint64(stage));
        add.bind(2, qint64(group));
        add.bind(3, bytesOf(style.name));
        add.bind(4, searchKey(style.name));
        add.bind(5, bytesOf(fatName));
        add.bind(6, searchKey(fatName));
        add.bind(7, bytesOf(style.source));
        add.bind(8, searchKey(fileNameOf(style.source)));
        add.bind(9, style.size);
        add.bind(10, style.checksum);
        done = add.run();
    }
    if (!done)
        failure = QString::fromUtf8(sqlite3_errmsg(db));
    if (done && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
        return stage;
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return -1;
}

// A FAT disk holds a name in the form that fatDiskName gives it; a folder as it was given.
bool Catalogue::recordStaged(const DiskId &disk, const QList<int> &stages)
{
    const bool fat = disk.kind != DriveKind::Folder;
    const bool recorded = write(disk, [&](qint64 id) {
        Query replaced(connection, "DELETE FROM styles WHERE disk = ? AND name_key IN"
                                   " (SELECT iif(?, fat_key, name_key) FROM staged WHERE stage = ?)", &failure);
        Query add(connection, "INSERT INTO styles (disk, grp, name, name_key, source, source_key, size, checksum, written)"
                              " SELECT ?, grp, iif(?, fat_name, name), iif(?, fat_key, name_key), source, source_key,"
                              " size, checksum, ? FROM staged WHERE stage = ?", &failure);
        Query done(connection, "DELETE FROM staged WHERE stage = ?", &failure);
        bool all = true;
        for (int stage : stages) {
            all = all && replaced.again().bind(id).bind(fat).bind(stage).run()
                && add.again().bind(id).bind(fat).bind(fat).bind(now()).bind(stage).run() && done.again().bind(stage).run();
        }
        return all;
    });
    return recorded && !stages.contains(-1);
}

bool Catalogue::recordGroup(const DiskId &disk, int group, const QList<WrittenStyle> &styles)
{
    const int stage = stageGroup(group, styles);
    return stage >= 0 && recordStaged(disk, {stage});
}

bool Catalogue::recordLook(const DiskId &disk, const QList<FileOnDisk> &files)
{
    return write(disk, [&](qint64 id) {
        Query forget(connection, "DELETE FROM looked_files WHERE disk = ?", &failure);
        Query looked(connection, "UPDATE disks SET looked_at = ? WHERE id = ?", &failure);
        Query add(connection, "INSERT INTO looked_files (disk, name, name_key, size) VALUES (?, ?, ?, ?)", &failure);
        bool done = forget.bind(id).run() && looked.bind(now()).bind(id).run();
        for (int i = 0; done && i < files.size(); ++i) {
            done = add.again().bind(id).bind(bytesOf(files[i].name)).bind(searchKey(files[i].name)).bind(files[i].size).run();
        }
        return done;
    });
}

bool Catalogue::forgetStylesOn(const DiskId &disk)
{
    return write(disk, [&](qint64 id) {
        Query styles(connection, "DELETE FROM styles WHERE disk = ?", &failure);
        Query files(connection, "DELETE FROM looked_files WHERE disk = ?", &failure);
        return styles.bind(id).run() && files.bind(id).run();
    });
}

QList<FoundStyle> Catalogue::find(const QString &text) const
{
    if (connection.isEmpty())
        return {};
    const QString statement = QLatin1String(foundColumns)
        + QLatin1String("s.name, s.grp, s.source, s.written, s.checksum FROM styles s JOIN disks d ON d.id = s.disk"
                        " WHERE instr(s.name_key, ?) OR instr(s.source_key, ?)"
                        " UNION ALL ")
        + QLatin1String(foundColumns)
        + QLatin1String("f.name, 0, x'', d.looked_at, x'' FROM looked_files f JOIN disks d ON d.id = f.disk"
                        " WHERE instr(f.name_key, ?)"
                        " AND NOT EXISTS (SELECT 1 FROM styles s WHERE s.disk = f.disk AND s.name_key = f.name_key)"
                        " ORDER BY 8 DESC");
    Query query(connection, statement, &failure);
    const QString key = searchKey(text);
    query.bind(key).bind(key).bind(key);
    return foundStyles(query);
}

QList<FoundStyle> Catalogue::stylesOn(const DiskId &disk) const
{
    if (connection.isEmpty())
        return {};
    const QString statement = QLatin1String(foundColumns)
        + QLatin1String("s.name, s.grp, s.source, s.written, s.checksum FROM styles s JOIN disks d ON d.id = s.disk"
                        " WHERE d.serial = ? AND d.place = ? AND (d.serial <> '' OR d.label = ?) ORDER BY s.grp, s.name_key");
    Query query(connection, statement, &failure);
    query.bind(disk.serial).bind(bytesOf(disk.place)).bind(bytesOf(disk.label));
    return foundStyles(query);
}

QSet<QByteArray> Catalogue::checksumsOffDisk(const DiskId &disk) const
{
    QSet<QByteArray> checksums;
    if (connection.isEmpty())
        return checksums;
    Query query(connection, "SELECT DISTINCT s.checksum FROM styles s JOIN disks d ON d.id = s.disk"
                            " WHERE NOT (d.serial = ? AND d.place = ? AND (d.serial <> '' OR d.label = ?))", &failure);
    if (!query.bind(disk.serial).bind(bytesOf(disk.place)).bind(bytesOf(disk.label)).run())
        return checksums;
    while (query.next())
        checksums.insert(query.value(0).toByteArray());
    return checksums;
}

QList<FoundStyle> Catalogue::placesOf(const QString &source) const
{
    QList<FoundStyle> found = find(fileNameOf(source));
    found.removeIf([&source](const FoundStyle &style) { return style.source != source; });
    return found;
}

QString foundStyleLine(const FoundStyle &style)
{
    const auto orDash = [](const QString &text) { return text.isEmpty() ? QStringLiteral("-") : text; };
    const QString group = style.group > 0 ? QStringLiteral("%1").arg(style.group, 2, 10, QLatin1Char('0')) : QStringLiteral("--");
    return QStringList{style.name, group, orDash(style.disk.label), orDash(style.disk.serial), orDash(style.disk.place),
                       style.when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))}
        .join(QLatin1Char('\t'));
}
