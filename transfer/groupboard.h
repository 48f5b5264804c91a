#pragma once

#include <QStringList>
#include <QtGlobal>

#include <array>

// Group colours are whole 32-bit values laid out as 0x00BBGGRR.
inline constexpr quint32 CopiedColour = 0xC000;
inline constexpr quint32 PendingColour = 0x80;

inline constexpr int GroupCount = 20;

// The list that shows one group: its entries are full source paths, its text colour
// is the group's state.
class GroupList {
public:
    virtual ~GroupList() = default;

    virtual quint32 ForeColor() const = 0;
    virtual void SetForeColor(quint32 colour) = 0;
    virtual int ListCount() const = 0;
    virtual QString List(int index) const = 0;
    virtual void AddItem(const QString &text) = 0;
    virtual void Clear() = 0;
    virtual void Refresh() = 0;
};

// The twenty numbered groups, 1 to 20.
class GroupBoard {
public:
    explicit GroupBoard(const std::array<GroupList *, GroupCount> &lists);

    GroupList &group(int number) const;

private:
    std::array<GroupList *, GroupCount> lists;
};

// The group's number as two digits, "01" to "20".
QString groupPrefix(int number);

// A group list held in memory, for a board without a window.
class MemoryGroupList : public GroupList {
public:
    quint32 ForeColor() const override { return colour; }
    void SetForeColor(quint32 value) override { colour = value; }
    int ListCount() const override { return int(items.size()); }
    QString List(int index) const override { return items.at(index); }
    void AddItem(const QString &text) override { items.append(text); }
    void Clear() override { items.clear(); }
    void Refresh() override {}

private:
    QStringList items;
    quint32 colour = PendingColour;
};
