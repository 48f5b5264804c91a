#pragma once

#include <QList>
#include <QStringList>

#include <functional>

class GroupBoard;

// What the user did to the groups, for undoing it step by step. A step keeps the groups
// that it touched as they were before it: their entries in order and their colour.
class GroupHistory {
public:
    explicit GroupHistory(const GroupBoard &board);

    // Runs change, which touches no group but these, as one step. A change that leaves
    // the groups as they were is no step.
    void record(const QList<int> &groups, const std::function<void()> &change);
    // Puts the groups of the last step back as they were.
    void undo();
    void clear() { steps.clear(); }

private:
    struct GroupState {
        int number;
        QStringList entries;
        quint32 colour;
        bool operator==(const GroupState &) const = default;
    };
    using Step = QList<GroupState>;

    Step snapshot(const QList<int> &groups) const;

    static constexpr int Depth = 20;
    const GroupBoard &board;
    QList<Step> steps; // the last one is undone first
};
