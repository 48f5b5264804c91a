#include "groupboard.h"

#include <QAbstractListModel>
#include <QCoreApplication>
#include <QMimeData>

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
        return group.entries.value(index.row());
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

void GroupBoard::setState(int number, GroupState state)
{
    GroupState &current = model(number).group.state;
    if (current == state)
        return;
    current = state;
    emit stateChanged(number);
}

void GroupBoard::markCopied(int number)
{
    if (!group(number).entries.isEmpty())
        setState(number, GroupState::Copied);
}

QString groupPrefix(int number)
{
    const char digits[] = {char('0' + number / 10), char('0' + number % 10)};
    return QString::fromLatin1(digits, 2);
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
