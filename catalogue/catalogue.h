#pragma once

#include "checksum.h"
#include "diskid.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>

// The catalogue of disks: which disk holds which style, kept in an SQLite database at
// $XDG_DATA_HOME/dupliva/catalogue.sqlite. Paths and names keep their bytes.

struct WrittenStyle {
    QString name; // on the disk
    QString source;
    qint64 size = 0;
    QByteArray checksum; // of the bytes read back, as checksumOf gives it
};

struct FileOnDisk {
    QString name;
    qint64 size = 0;
};

struct FoundStyle {
    QString name; // on the disk
    int group = 0; // 1 to 20; 0 for a file that a look found and no group wrote
    DiskId disk;
    QString source; // empty for a file that only a look found
    QDateTime when; // written, or found by the look
    QByteArray checksum; // empty for a file that only a look found
};

// One connection to the catalogue, for the thread that opens it. Never stops its caller:
// a catalogue that cannot be opened or written gives an error text instead.
class Catalogue {
public:
    // $XDG_DATA_HOME/dupliva/catalogue.sqlite, by default ~/.local/share/dupliva/.
    static QString defaultPath();

    // A damaged file is moved aside, as catalogue.sqlite.damaged-DATE, and a new one made.
    static Catalogue open(const QString &path = defaultPath());

    Catalogue(Catalogue &&other) noexcept;
    Catalogue &operator=(Catalogue &&) = delete;
    ~Catalogue();

    // Why the catalogue could not be opened or the last change failed; empty when all went
    // well. A catalogue that could not be opened keeps its first error and changes nothing.
    QString error() const { return failure; }
    bool usable() const { return !connection.isEmpty(); }
    // What was done to a damaged file, to be told once: "… was damaged and is now …".
    QString movedAside() const { return damagedNote; }

    // The styles of one group as written to the disk, each in place of any earlier style
    // of the same name there. On a FAT disk a name is kept as fatDiskName gives it.
    bool recordGroup(const DiskId &disk, int group, const QList<WrittenStyle> &styles);
    // The same in two steps: the group is set down ahead, while it is being written, and
    // recorded at once when it is on the disk. stageGroup gives the stage to record, or -1.
    int stageGroup(int group, const QList<WrittenStyle> &styles);
    // Several stages at once, in one transaction; a stage of -1 is left out and fails.
    bool recordStaged(const DiskId &disk, const QList<int> &stages);
    // What a look at the disk found on it, in place of what the previous look found.
    bool recordLook(const DiskId &disk, const QList<FileOnDisk> &files);
    // After the disk was erased.
    bool forgetStylesOn(const DiskId &disk);

    // The styles whose source file name or name on the disk contains text, ignoring case,
    // and the files that looks found whose name does; newest first.
    QList<FoundStyle> find(const QString &text) const;
    QList<FoundStyle> stylesOn(const DiskId &disk) const;
    // The checksums of the styles known to be on any disk but this one.
    QSet<QByteArray> checksumsOffDisk(const DiskId &disk) const;
    // The styles written from exactly this source file; newest first.
    QList<FoundStyle> placesOf(const QString &source) const;

private:
    explicit Catalogue(const QString &path);
    qint64 diskRow(const DiskId &disk);
    bool write(const DiskId &disk, const std::function<bool(qint64 diskId)> &change);

    QString connection; // empty when the catalogue could not be opened
    mutable QString failure;
    QString damagedNote;
    int stagesMade = 0;
};

// A line of "dupliva --find": the name on the disk, group, the disk's label and serial
// number, the image file or folder, and when, separated by tabs, with "-" for what is missing.
QString foundStyleLine(const FoundStyle &style);
