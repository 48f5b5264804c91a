#include "application.h"

#include "messageboxes.h"

#include <QFont>

ReportingApplication::ReportingApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Dupliva"));
}

bool ReportingApplication::notify(QObject *receiver, QEvent *event)
{
    QString failure;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &caught) {
        failure = QString::fromLocal8Bit(caught.what());
    } catch (...) {
        failure = QStringLiteral("an unknown failure");
    }
    if (report)
        report->MsgBox(QStringLiteral("Unexpected failure: ") + failure, MsgCritical);
    return false;
}

void substituteDesignFonts()
{
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}
