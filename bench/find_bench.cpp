// Times dupliva --find on a catalogue of 100,000 styles on 5,000 disks, made in a temporary
// folder, and compares the search the catalogue uses (instr on case-folded columns) with
// LIKE on the same columns.

#include "catalogue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int diskCount = 5000;
constexpr int stylesPerDisk = 20;
constexpr int rounds = 9;

const char *const genres[] = {"Samba", "Bossa", "Rock", "Tango", "Waltz", "Polka", "Disco", "Swing", "Rumba", "Salsa",
                              "Ballad", "Country", "Funk", "Reggae", "March", "Twist", "Mambo", "Cha Cha", "Jive", "Beguine"};

void fill(const QString &path)
{
    Catalogue catalogue = Catalogue::open(path);
    for (int disk = 0; disk < diskCount; ++disk) {
        const DiskId id{QStringLiteral("%1-%2").arg(disk / 100, 4, 16, QLatin1Char('0')).arg(disk % 100, 4, 16, QLatin1Char('0')).toUpper(),
                        QStringLiteral("STYLES%1").arg(disk), DriveKind::Image, QStringLiteral("/media/stick/DSKA%1.IMG").arg(disk, 4, 10, QLatin1Char('0'))};
        QList<WrittenStyle> styles;
        for (int i = 0; i < stylesPerDisk; ++i) {
            const QString genre = QLatin1String(genres[(disk + i) % 20]);
            const QString source = QStringLiteral("/home/player/styles/%1 %2.sty").arg(genre).arg(disk * stylesPerDisk + i);
            styles.append({QStringLiteral("%1%2%3.STY").arg(i + 1, 2, 10, QLatin1Char('0')).arg(genre.left(4).toUpper()).arg(disk % 100), source,
                           4096 + i, checksumOf(source.toUtf8())});
        }
        if (!catalogue.recordGroup(id, 1 + disk % 20, styles))
            qFatal("cannot record: %s", qPrintable(catalogue.error()));
    }
}

// The median of rounds runs, in milliseconds.
double medianMilliseconds(const std::function<qsizetype()> &run, qsizetype *found)
{
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        *found = run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

qsizetype countWhere(const QString &path, const QString &condition, const QString &value)
{
    qsizetype count = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (!db.open() || !query.prepare(QStringLiteral("SELECT count(*) FROM styles WHERE ") + condition))
            qFatal("cannot query");
        query.addBindValue(value);
        query.addBindValue(value);
        if (query.exec() && query.next())
            count = query.value(0).toLongLong();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return count;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("catalogue.sqlite"));
    QElapsedTimer filling;
    filling.start();
    fill(path);
    std::printf("catalogue: %d styles on %d disks, made in %.1f s, %.1f MB\n", diskCount * stylesPerDisk, diskCount,
                double(filling.elapsed()) / 1000, double(QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size()) / 1e6);

    const Catalogue catalogue = Catalogue::open(path);
    for (const char *text : {"samba 1234", "bossa", "RUMB", "tango 99999", "no such style"}) {
        qsizetype found = 0;
        const double find = medianMilliseconds([&] { return catalogue.find(QLatin1String(text)).size(); }, &found);
        const QString key = QString::fromLatin1(text).toCaseFolded();
        qsizetype counted = 0;
        const double instr = medianMilliseconds([&] { return countWhere(path, QStringLiteral("instr(name_key, ?) OR instr(source_key, ?)"), key); }, &counted);
        const double like = medianMilliseconds([&] { return countWhere(path, QStringLiteral("name_key LIKE ? OR source_key LIKE ?"), QLatin1Char('%') + key + QLatin1Char('%')); }, &counted);
        std::printf("find \"%s\": %lld found, %.1f ms (target: at most 100 ms); count with instr %.1f ms, with LIKE %.1f ms\n", text,
                    static_cast<long long>(found), find, instr, like);
    }
    return 0;
}
