#include "groupboard.h"

#include <QAbstractListModel>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMimeData>

#include <tuple>

// One group's entries for its view; each change is announced to the view as it happens.
class GroupEntries : public QAbstractListModel {
public:
    GroupEntries(Group &group, int number, QObject *parent)
        : QAbstractListModel(parent)
        , group(group)
        , number(number)
    {
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(group.entries.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole)
            return {};
        const QString entry = group.entries.value(index.row());
        const QString disk = role == Qt::ToolTipRole ? diskCopyText(group.copy) : QString();
        return disk.isEmpty() ? entry : entry + QLatin1Char('\n') + disk;
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return QAbstractListModel::flags(index) | Qt::ItemIsDragEnabled;
    }

    QStringList mimeTypes() const override { return {DraggedEntriesType}; }

    // As "process group row...": only this program takes it, and a file manager is never
    // asked to move or copy the style file itself.
    QMimeData *mimeData(const QModelIndexList &indexes) const override
    {
        QByteArrayList fields{QByteArray::number(QCoreApplication::applicationPid()), QByteArray::number(number)};
        for (const QModelIndex &index : indexes)
            fields.append(QByteArray::number(index.row()));
        auto *data = new QMimeData;
        data->setData(DraggedEntriesType, fields.join(' '));
        return data;
    }

    void insert(int row, const QStringList &paths)
    {
        beginInsertRows({}, row, row + int(paths.size()) - 1);
        for (qsizetype i = 0; i < paths.size(); ++i)
            group.entries.insert(row + i, paths[i]);
        endInsertRows();
    }

    QStringList take(int row, int count)
    {
        beginRemoveRows({}, row, row + count - 1);
        const QStringList taken = group.entries.mid(row, count);
        group.entries.remove(row, count);
        endRemoveRows();
        return taken;
    }

    Group &group;
    const int number;
};

GroupBoard::GroupBoard(QObject *parent)
    : QObject(parent)
{
    for (int number = 1; number <= GroupCount; ++number)
        models[number - 1] = new GroupEntries(own[number - 1], number, this);
}

GroupBoard::~GroupBoard() = default;

GroupEntries &GroupBoard::model(int number) const
{
    Q_ASSERT(number >= 1 && number <= GroupCount);
    return *models[number - 1];
}

const Group &GroupBoard::group(int number) const
{
    return model(number).group;
}

BoardSnapshot GroupBoard::snapshot() const
{
    BoardSnapshot groups;
    for (int number = 1; number <= GroupCount; ++number)
        groups[number - 1] = group(number);
    return groups;
}

QAbstractItemModel *GroupBoard::entries(int number) const
{
    return &model(number);
}

void GroupBoard::insertEntries(int number, int row, const QStringList &paths)
{
    if (!paths.isEmpty())
        model(number).insert(row, paths);
}

QStringList GroupBoard::takeEntries(int number, int row, int count)
{
    return count > 0 ? model(number).take(row, count) : QStringList();
}

void GroupBoard::setState(int number, GroupState state, const DiskCopy &copy)
{
    Group &current = model(number).group;
    const DiskCopy kept = state == GroupState::Copied ? copy : DiskCopy();
    if (current.state == state && current.copy == kept)
        return;
    current.state = state;
    current.copy = kept;
    emit stateChanged(number);
}

void GroupBoard::markCopied(int number, const DiskCopy &copy)
{
    if (!group(number).entries.isEmpty())
        setState(number, GroupState::Copied, copy);
}

void GroupBoard::turnBack(const DiskId &erased)
{
    for (int number = 1; number <= GroupCount; ++number) {
        if (group(number).state == GroupState::Copied && sameDisk(group(number).copy.disk, erased))
            setState(number, GroupState::Waiting);
    }
}

bool DiskCopy::operator==(const DiskCopy &other) const
{
    const auto fields = [](const DiskCopy &copy) {
        return std::tie(copy.disk.serial, copy.disk.label, copy.disk.kind, copy.disk.place, copy.when);
    };
    return fields(*this) == fields(other);
}

QString groupPrefix(int number)
{
    const char digits[] = {char('0' + number / 10), char('0' + number % 10)};
    return QString::fromLatin1(digits, 2);
}

static QString boardText(const char *text)
{
    return QCoreApplication::translate("GroupBoard", text);
}

// A folder by its path; a disk by its label and serial number, and an image by its file.
QString diskCopyText(const DiskCopy &copy)
{
    if (!copy.when.isValid())
        return {};
    const DiskId &disk = copy.disk;
    const QString when = copy.when.toLocalTime().toString(QStringLiteral("d MMM HH:mm"));
    if (disk.kind == DriveKind::Folder && !disk.place.isEmpty())
        return boardText("In the folder %1, %2").arg(disk.place, when);
    const QString label = disk.label.isEmpty() ? boardText("On a disk without a label") : boardText("On disk %1").arg(disk.label);
    const QString serial = disk.serial.isEmpty() ? boardText("no serial number") : boardText("serial %1").arg(disk.serial);
    QStringList parts{QStringLiteral("%1 (%2)").arg(label, serial)};
    if (disk.kind == DriveKind::Image)
        parts.append(QFileInfo(disk.place).fileName());
    parts.append(when);
    return parts.join(QStringLiteral(", "));
}

DraggedEntries draggedEntries(const QMimeData &data)
{
    const QList<QByteArray> fields = data.data(DraggedEntriesType).split(' ');
    if (fields.size() < 3 || fields[0].toLongLong() != QCoreApplication::applicationPid())
        return {};
    DraggedEntries dragged{fields[1].toInt(), {}};
    for (qsizetype i = 2; i < fields.size(); ++i)
        dragged.rows.append(fields[i].toInt());
    return dragged;
}
