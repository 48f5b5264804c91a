#pragma once

#include "diskid.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QtGlobal>

#include <array>

class QAbstractItemModel;
class QMimeData;
class GroupEntries;

// Group colours are whole 32-bit values laid out as 0x00BBGGRR: copied groups are shown
// in the one, all others in the other.
inline constexpr quint32 CopiedColour = 0xC000;
inline constexpr quint32 PendingColour = 0x80;

inline constexpr int GroupCount = 20;

enum class GroupState {
    Empty,
    Waiting, // holds styles that the next run copies
    Copied, // a run put all of its styles on a disk
};

// The disk that a run put a group on, and when.
struct DiskCopy {
    DiskId disk;
    QDateTime when; // invalid when nobody knows
    bool operator==(const DiskCopy &other) const;
};

// One group: full source paths in the order they came, which keep their bytes (see
// localname.h), and its state.
struct Group {
    QStringList entries;
    GroupState state = GroupState::Empty;
    DiskCopy copy; // of a copied group
    bool operator==(const Group &) const = default;
};

// The twenty groups as they stand at one moment; a copy run reads one taken at its start.
using BoardSnapshot = std::array<Group, GroupCount>;

// The twenty numbered groups, 1 to 20, and a list model of each for its view. Every
// change goes through here, so that the views follow it.
class GroupBoard : public QObject {
    Q_OBJECT
public:
    explicit GroupBoard(QObject *parent = nullptr);
    ~GroupBoard() override;

    const Group &group(int number) const;
    BoardSnapshot snapshot() const;
    // The group's entries, one row each, as a view shows and drags them.
    QAbstractItemModel *entries(int number) const;

    void insertEntries(int number, int row, const QStringList &paths);
    QStringList takeEntries(int number, int row, int count);
    // A group that is not copied keeps no disk.
    void setState(int number, GroupState state, const DiskCopy &copy = {});
    // A run has put the group on the disk.
    void markCopied(int number, const DiskCopy &copy = {});
    // The disk was erased: its groups wait for the next run again.
    void turnBack(const DiskId &erased);

signals:
    void stateChanged(int number);

private:
    GroupEntries &model(int number) const;

    BoardSnapshot own;
    std::array<GroupEntries *, GroupCount> models{};
};

// The group's number as two digits, "01" to "20".
QString groupPrefix(int number);

// Such as "On disk BAND1 (serial 1A2B-3C4D), DSKA0003.IMG, 8 Dec 14:02"; empty when the
// disk is not known.
QString diskCopyText(const DiskCopy &copy);

// Entries of a group list dragged in this program: the group's number and their rows.
struct DraggedEntries {
    int group = 0; // 0: none of this program's
    QList<int> rows;
};
inline const QString DraggedEntriesType = QStringLiteral("application/x-dupliva-group-entry");
DraggedEntries draggedEntries(const QMimeData &data);
