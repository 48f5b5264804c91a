#pragma once

#include "drivea.h"
#include "formatdialog.h"
#include "messageboxes.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

struct RecordedMessage {
    QString prompt;
    int style;
    QString title;
};

class FakeMessageBoxes : public MessageBoxes {
public:
    void MsgBox(const QString &prompt, int style, const QString &title) override
    {
        shown.append({prompt, style, title});
    }

    // Answers with the next of answers, No once they are used up.
    bool Question(QWidget *, const QString &prompt, const QString &) override
    {
        questions.append(prompt);
        return !answers.isEmpty() && answers.takeFirst();
    }

    // Chooses the next of choices, Cancel once they are used up.
    int Choose(QWidget *, const QString &prompt, const QString &, const QStringList &) override
    {
        questions.append(prompt);
        return choices.isEmpty() ? -1 : choices.takeFirst();
    }

    QList<RecordedMessage> shown;
    QStringList questions;
    QList<bool> answers;
    QList<int> choices;
};

// A drive A that records what it is asked to do and fails with a chosen code at the
// k-th copy (counted from 1), when flushed, or when a group begins.
class FakeDriveA : public DriveA {
public:
    CopyOutcome FileCopy(const QString &sourcePath, const QString &name) override
    {
        ++copiesAsked;
        if (onCopy)
            onCopy();
        if (copiesAsked == failAtCopy)
            return {failureCode, QStringLiteral("fake failure")};
        copies.append(sourcePath + QStringLiteral(" -> a:") + name);
        events.append(QStringLiteral("a:") + name);
        return {};
    }

    CopyOutcome Flush() override
    {
        events.append(QStringLiteral("flush"));
        if (flushFailureCode == NoFailure)
            return {};
        return {flushFailureCode, QStringLiteral("fake flush failure"), flushFailureSource};
    }

    void BeginRun(const QStringList &) override { events.append(QStringLiteral("begin")); }
    CopyOutcome BeginGroup(const RunGroup &group) override
    {
        events.append(QStringLiteral("group ") + group.names.join(QLatin1Char(' ')));
        return groupRefusals.value(group.number);
    }
    void EndRun() override { events.append(QStringLiteral("end")); }
    DiskId diskInDrive() const override { return disk; }

    void failAt(int copy, FailureCode code)
    {
        failAtCopy = copy;
        failureCode = code;
    }

    QStringList copies;
    QStringList events;
    int copiesAsked = 0;
    FailureCode flushFailureCode = NoFailure;
    QString flushFailureSource;
    std::function<void()> onCopy;
    QHash<int, CopyOutcome> groupRefusals; // by group number
    DiskId disk;

private:
    int failAtCopy = 0;
    FailureCode failureCode = NoFailure;
};

class FakeFormatDialog : public FormatDialog {
public:
    int SHFormatDrive(QWidget *owner, unsigned drive, unsigned formatId, unsigned options) override
    {
        calls.append({owner, drive, formatId, options});
        return result;
    }
    std::optional<DiskId> erasedDisk() const override { return erased; }

    struct Call {
        QWidget *owner;
        unsigned drive, formatId, options;
    };
    QList<Call> calls;
    int result = 0;
    std::optional<DiskId> erased;
};
