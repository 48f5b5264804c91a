#pragma once

#include <QString>

#include <functional>

class DriveA;
class FormatDialog;
class Launcher;
class MessageBoxes;
class RunProgress;

// Everything outside the program that its windows reach.
struct PlatformServices {
    DriveA &drive;
    MessageBoxes &messages;
    Launcher &launcher;
    FormatDialog &formatDialog;
    // What drive A is at this moment, such as "the folder /home/me/styles-disk".
    std::function<QString()> describeDriveA = {};
    RunProgress *progress = nullptr; // where a copy run shows how far it has got, if anywhere
};
