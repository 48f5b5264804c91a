#include "disklook.h"

#include "disksource.h"

DiskLook lookAtDisk(const QString &driveA, UDisks &udisks)
{
    const DiskContents contents = readDriveA(driveA, udisks);
    DiskLook look{contents.disk, contents.freeBytes, {}, 0, contents.error};
    if (!look.error.isEmpty())
        return look;
    Catalogue catalogue = Catalogue::open();
    QList<FileOnDisk> files;
    for (const DiskFile &file : contents.files)
        files.append({file.name, file.bytes.size()});
    catalogue.recordLook(look.disk, files);
    const QList<FoundStyle> written = catalogue.stylesOn(look.disk);
    const QSet<QByteArray> elsewhere = catalogue.checksumsOffDisk(look.disk);
    for (const DiskFile &file : contents.files) {
        LookedFile looked{file.name, file.bytes.size(), {}};
        for (const FoundStyle &style : written) {
            if (style.name.compare(file.name, Qt::CaseInsensitive) == 0)
                looked.written.append(style);
        }
        look.files.append(looked);
        if (!elsewhere.contains(checksumOf(file.bytes)))
            ++look.onNoOtherDisk;
    }
    return look;
}

BackUp backUpAndRecord(const QString &driveA, const QString &intoFolder, UDisks &udisks, const BackUpProgress &progress)
{
    BackUp backUp = backUpDriveA(driveA, intoFolder, udisks, progress);
    if (!backUp.diskRead)
        return backUp;
    Catalogue catalogue = Catalogue::open();
    backUp.catalogueNote = catalogue.movedAside();
    if (!catalogue.recordLook(backUp.disk, backUp.files))
        backUp.catalogueNote = catalogue.error();
    return backUp;
}

void forgetErasedDisk(const DiskId &disk)
{
    Catalogue::open().forgetStylesOn(disk);
}
