#pragma once

#include <QApplication>

class MessageBoxes;

// The application, which reports a failure that escapes an event handler in a message
// box naming it and keeps running, so that the groups the user has filled stay.
class ReportingApplication : public QApplication {
public:
    ReportingApplication(int &argc, char **argv);

    void reportFailuresWith(MessageBoxes &messages) { report = &messages; }

    bool notify(QObject *receiver, QEvent *event) override;

private:
    MessageBoxes *report = nullptr;
};

// The fonts of the windows' designs, mapped onto fonts that this desktop has.
void substituteDesignFonts();
