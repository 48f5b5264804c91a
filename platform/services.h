#pragma once

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
};
