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
    const char digits[] = {char('0' + number / 10), char('0' + number % 10)};
    return QString::fromLatin1(digits, 2);
}
