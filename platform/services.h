#pragma once

#include <QString>

#include <functional>

class DriveA;
class FormatDialog;
class Launcher;
class MessageBoxes;

// Everything outside the program that its windows reach.
struct PlatformServices {
    DriveA &drive;
    MessageBoxes &messages;
    Launcher &launcher;
    FormatDialog &formatDialog;
    // What drive A is at this moment, such as "the folder /home/me/styles-disk".
    std::function<QString()> describeDriveA = {};
};
