#pragma once

// What the benchmarks share: styles to copy, a copy run timed from click to message box,
// and the comparison with a baseline.

#include "copyrun.h"
#include "messageboxes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

// count styles of 4 KB to largest bytes of random content in the folder "styles" inside
// folder, spread over the twenty groups' numbers, with names that fit 8.3.
inline QStringList makeStyles(const QString &folder, int count, int largest)
{
    const QString styles = folder + QStringLiteral("/styles");
    QDir().mkpath(styles);
    QStringList paths;
    QRandomGenerator random(1);
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("%1/%2St%3.sty").arg(styles).arg(i % 100, 2, 10, QLatin1Char('0')).arg(i);
        QByteArray content(int(random.bounded(4 * 1024, largest + 1)), Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(content.data()), content.size() / 4);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        paths.append(path);
    }
    return paths;
}

class SilentMessages : public MessageBoxes {
public:
    void MsgBox(const QString &prompt, int, const QString &) override { last = prompt; }
    bool Question(QWidget *, const QString &, const QString &) override { return false; }
    QString last;
};

// One whole copy run of styles to drive, style i in group i % groups + 1; it must end READY.
inline qint64 timeCopyRun(const QStringList &styles, DriveA &drive, int groups = GroupCount)
{
    GroupBoard board;
    for (int i = 0; i < styles.size(); ++i) {
        board.insertEntries(i % groups + 1, i / groups, {styles[i]});
        board.setState(i % groups + 1, GroupState::Waiting);
    }
    SilentMessages messages;
    QElapsedTimer timer;
    timer.start();
    reportRun(copyGroups(planRun(board), drive), messages);
    const qint64 elapsed = timer.nsecsElapsed();
    if (messages.last != QLatin1String("       READY !"))
        qFatal("copy run failed: %s", qPrintable(messages.last));
    return elapsed;
}

inline qint64 median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times the plain loop and the copy run in turn, each on a fresh drive A, and prints
// their medians and the ratio.
inline void compareRounds(int rounds, const std::function<void()> &freshDrive, const std::function<qint64()> &timeRun,
                          const std::function<qint64()> &timeLoop, const QString &runName, const QString &loopName,
                          double target = 1.10)
{
    std::vector<qint64> runTimes, loopTimes;
    // Each goes first in every other round, so that neither pays for what the other leaves.
    for (int round = 0; round < rounds; ++round) {
        for (const bool loop : {round % 2 == 0, round % 2 != 0}) {
            freshDrive();
            (loop ? loopTimes : runTimes).push_back(loop ? timeLoop() : timeRun());
        }
    }
    const double runMs = median(runTimes) / 1e6;
    const double loopMs = median(loopTimes) / 1e6;
    std::printf("%s: %.1f ms; %s: %.1f ms; ratio %.3f (target at most %.2f)\n", qPrintable(runName), runMs,
                qPrintable(loopName), loopMs, runMs / loopMs, target);
}
