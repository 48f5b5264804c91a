#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QWidget>
#include <QtGlobal>

// The units of the windows' fixed designs: places in twips, colours as 0x00BBGGRR.

inline int pixelsFromTwips(int twips)
{
    return qRound(twips / 15.0);
}

struct TwipsRect {
    int left, top, width, height;
};

inline QRect pixelsFromTwips(const TwipsRect &r)
{
    return {pixelsFromTwips(r.left), pixelsFromTwips(r.top), pixelsFromTwips(r.width), pixelsFromTwips(r.height)};
}

inline QColor colourFromBgr(quint32 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

inline QFont designFont(const char *face, qreal points, int weight, bool underline = false)
{
    QFont font(QString::fromLatin1(face));
    font.setPointSizeF(points);
    font.setWeight(weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setUnderline(underline);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// The light face that the designs' colours were chosen for, whatever the desktop's theme:
// navy captions on a dark face could hardly be read.
inline QPalette designFace()
{
    constexpr quint32 buttonFace = 0xF0F0F0;
    QPalette face(colourFromBgr(buttonFace));
    face.setColor(QPalette::Base, Qt::white);
    face.setColor(QPalette::Text, Qt::black);
    face.setColor(QPalette::WindowText, Qt::black);
    face.setColor(QPalette::ButtonText, Qt::black);
    return face;
}

inline void paintText(QWidget *widget, quint32 colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colourFromBgr(colour));
    widget->setPalette(palette);
}
