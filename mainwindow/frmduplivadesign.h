#pragma once

#include "windowdesign.h"

#include <QtGlobal>

// The fixed design of the main window: places and sizes in twips, colours 0x00BBGGRR.
// Its texts are translated in the context frmDupliva.
namespace frmDuplivaDesign {

inline constexpr char title[] = QT_TRANSLATE_NOOP("frmDupliva", "KORVANA    harddisk to A");
inline constexpr int clientWidth = 6105;
inline constexpr int clientHeight = 6945;
inline constexpr char menuCaption[] = QT_TRANSLATE_NOOP("frmDupliva", "&About this program");

inline constexpr quint32 black = 0x000000;
inline constexpr quint32 darkRed = 0x000080;
inline constexpr quint32 yellow = 0x00FFFF;
inline constexpr quint32 navy = 0x800000;
inline constexpr quint32 lightGrey = 0xE0E0E0;
inline constexpr quint32 green = 0x00C000;

struct FrameDesign {
    const char *name;
    const char *inside; // nullptr: the window's client area
    TwipsRect place;
    bool border;
    bool blackBackground;
};

inline constexpr FrameDesign frames[] = {
    {"Frame2", nullptr, {0, 0, 6135, 6945}, true, false},
    {"Frame3", "Frame2", {90, 180, 5955, 1680}, false, true},
    {"Frame1", "Frame2", {4590, 2025, 1500, 4800}, true, false},
};

// The banner, inside Frame3.
inline constexpr TwipsRect label10Place = {0, 1440, 6000, 240};
inline constexpr char label10Lead[] = QT_TRANSLATE_NOOP("frmDupliva", "Korvana Copy Program: by ");
inline constexpr TwipsRect image5Place = {315, 0, 5475, 2430};
inline constexpr char image5Picture[] = ":/images/banner.png";

// The group lists and their captions, inside Frame2.
inline constexpr int listWidth = 2175;
inline constexpr int listHeight = 255;
inline constexpr int captionWidth = 960;
inline constexpr int captionHeight = 285;

struct GroupDesign {
    int group;
    const char *list;
    int listLeft, listTop;
    const char *label;
    int labelLeft, labelTop;
};

inline constexpr GroupDesign groups[] = {
    {1, "List1", 90, 2115, "Label20", 675, 1890},
    {2, "List2", 90, 2610, "Label2", 675, 2385},
    {3, "List3", 90, 3105, "Label9", 675, 2880},
    {4, "List4", 90, 3600, "Label8", 675, 3375},
    {5, "List5", 90, 4095, "Label7", 675, 3870},
    {6, "List6", 90, 4590, "Label6", 675, 4365},
    {7, "List7", 90, 5085, "Label5", 675, 4860},
    {8, "List8", 90, 5580, "Label4", 675, 5355},
    {9, "List9", 90, 6075, "Label3", 675, 5850},
    {10, "List10", 90, 6570, "Label1", 675, 6345},
    {11, "List11", 2340, 2115, "Label11", 2925, 1890},
    {12, "List12", 2340, 2610, "Label19", 2925, 2385},
    {13, "List13", 2340, 3105, "Label12", 2925, 2880},
    {14, "List14", 2340, 3600, "Label13", 2925, 3375},
    {15, "List15", 2340, 4095, "Label14", 2925, 3870},
    {16, "List16", 2340, 4590, "Label15", 2925, 4365},
    {17, "List17", 2340, 5085, "Label16", 2925, 4860},
    {18, "List18", 2340, 5580, "Label17", 2925, 5355},
    {19, "List19", 2340, 6075, "Label18", 2925, 5850},
    {20, "List20", 2340, 6570, "Label21", 2925, 6345},
};

// The button panel, inside Frame1; every button has Left 90 and Width 1320.
struct ButtonDesign {
    const char *name;
    const char *caption;
    int top, height;
};

inline constexpr int buttonLeft = 90;
inline constexpr int buttonWidth = 1320;
inline constexpr ButtonDesign buttons[] = {
    {"CmdStartCopy", QT_TRANSLATE_NOOP("frmDupliva", "Copy to A:\\"), 855, 400},
    {"Command3", QT_TRANSLATE_NOOP("frmDupliva", "Format A:\\"), 1710, 400},
    {"Command4", QT_TRANSLATE_NOOP("frmDupliva", "Explorer"), 2655, 400},
    {"Command1", QT_TRANSLATE_NOOP("frmDupliva", "Empty GREEN groups only"), 3375, 735},
    {"Command2", QT_TRANSLATE_NOOP("frmDupliva", "Empty ALL"), 4230, 510},
};

// Drawn behind the buttons, inside Frame1.
inline constexpr TwipsRect shape1Place = {45, 3285, 1410, 870};

struct PictureDesign {
    const char *name;
    TwipsRect place;
    const char *picture;
};

inline constexpr PictureDesign icons[] = {
    {"Image3", {495, 270, 480, 480}, ":/images/dupliva.png"},
    {"Image2", {495, 1215, 480, 480}, ":/images/format.png"},
    {"Image1", {495, 2160, 480, 480}, ":/images/explorer.png"},
};
inline constexpr char windowIcon[] = ":/images/dupliva.png";

// The focus order of the controls that take the focus; the window opens on the first.
inline constexpr const char *tabOrder[] = {
    "List6", "List7", "List8", "List9", "List2", "List1", "List3", "List4", "List5", "List10",
    "Command2", "CmdStartCopy", "Command3", "Command1",
    "List11", "List12", "List13", "List14", "List15", "List16", "List17", "List18", "List19", "List20",
    "Command4",
};

inline QFont captionFont() { return designFont("MS Sans Serif", 8.25, 700); }
inline QFont buttonFont() { return designFont("MS Sans Serif", 8.25, 700); }
// The design sets no default font; the lists and the banner caption use this one.
inline QFont defaultFont() { return designFont("MS Sans Serif", 8.25, 400); }

} // namespace frmDuplivaDesign
