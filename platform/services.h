#pragma once

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
    RunProgress *progress = nullptr; // where a copy run shows how far it has got, if anywhere
};
