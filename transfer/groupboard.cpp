#include "groupboard.h"

GroupBoard::GroupBoard(const std::array<GroupList *, GroupCount> &lists)
    : lists(lists)
{
}

GroupList &GroupBoard::group(int number) const
{
    Q_ASSERT(number >= 1 && number <= GroupCount);
    return *lists[number - 1];
}

QString groupPrefix(int number)
{
    return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}
