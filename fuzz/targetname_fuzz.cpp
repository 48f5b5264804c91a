// Copy runs of one group whose entries are any texts: a run ends "READY" having written
// each style once, or is refused before anything is written; every name written starts
// with the group's two digits, and the rest is the end of the entry's file name, at most
// two characters shorter.

#include "copyrun.h"
#include "fuzzcheck.h"
#include "messageboxes.h"

#include <QStringList>

namespace {

class RecordingDrive : public DriveA {
public:
    CopyOutcome FileCopy(const QString &, const QString &name) override
    {
        destinations.append(name);
        return {};
    }
    CopyOutcome Flush() override { return {}; }

    QStringList destinations;
};

class NoMessages : public MessageBoxes {
public:
    void MsgBox(const QString &prompt, int, const QString &) override { last = prompt; }
    QString last;
    bool Question(QWidget *, const QString &, const QString &) override { return false; }
};

// In characters, not UTF-16 units.
qsizetype fileNameLength(const QString &path)
{
    const qsizetype lastSeparator = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(lastSeparator + 1).toUcs4().size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int number = data[0] % GroupCount + 1;
    const QStringList entries = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1))
                                    .split(QLatin1Char('\n'));

    GroupBoard board;
    board.insertEntries(number, 0, entries);
    board.setState(number, GroupState::Waiting);
    RecordingDrive drive;
    NoMessages messages;
    const RunPlan plan = planRun(board);
    const QStringList styles = plan.groups.constFirst().sources; // each file once
    QString source, target;
    const RunListener listener{.itemStarted = [&](int, int, const QString &from, const QString &to) {
                                   source = from;
                                   target = to;
                               },
                               .groupCopied = [&](int group) { board.markCopied(group); }};
    reportRun(copyGroups(plan, drive, listener), messages);
    if (messages.last.startsWith(QLatin1String("CANNOT COPY: "))) {
        FUZZ_CHECK(drive.destinations.isEmpty() && board.group(number).state != GroupState::Copied);
        return 0;
    }
    FUZZ_CHECK(messages.last == QLatin1String("       READY !"));

    FUZZ_CHECK(drive.destinations.size() == styles.size());
    FUZZ_CHECK(board.group(number).state == GroupState::Copied);
    const QString start = QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
    for (qsizetype i = 0; i < styles.size(); ++i) {
        const QString &destination = drive.destinations[i];
        FUZZ_CHECK(destination.startsWith(start));
        const QString name = destination.mid(start.size());
        const qsizetype nameLength = fileNameLength(styles[i]);
        FUZZ_CHECK(styles[i].endsWith(name));
        FUZZ_CHECK(name.toUcs4().size() == (nameLength >= 2 ? nameLength - 2 : nameLength));
        FUZZ_CHECK(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')));
    }
    FUZZ_CHECK(source == styles.constLast());
    FUZZ_CHECK(target == drive.destinations.constLast());
    return 0;
}
