#pragma once

#include "drivea.h"

#include <QString>
#include <QStringList>

#include <functional>

class FormatDialog;
class Launcher;
class MessageBoxes;
class RunProgress;

// What the catalogue of disks knows of one source file: a line for each disk that holds
// it, or why the catalogue cannot be read.
struct StylePlaces {
    QStringList lines;
    QString error;
};

// Everything outside the program that its windows reach.
struct PlatformServices {
    DriveA &drive;
    MessageBoxes &messages;
    Launcher &launcher;
    FormatDialog &formatDialog;
    // What drive A is at this moment, such as "the folder /home/me/styles-disk".
    std::function<QString()> describeDriveA = {};
    RunProgress *progress = nullptr; // where a copy run shows how far it has got, if anywhere
    // How a run of these groups would fill drive A's disks, such as "This run: 3 styles in
    // 1 group, 12 KB, about 1 disk; all fit on this one."; empty for a folder.
    std::function<QString(const QList<RunGroup> &)> describeRun = {};
    // For "Where is this style?", by the source file's whole path.
    std::function<StylePlaces(const QString &source)> placesOfStyle = {};
};
