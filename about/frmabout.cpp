#include "frmabout.h"

#include "author.h"
#include "controls.h"
#include "frameextents.h"
#include "launcher.h"
#include "windowdesign.h"

#include <QAccessibleWidget>
#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyleOptionFocusRect>

#include <vector>

namespace {

constexpr quint32 Blue = 0x00FF0000;
constexpr quint32 Navy = 0x00800000;

enum class Kind { Frame, Line, Button, Label };

enum class Look {
    Default,
    Link,        // blue, 8.25 point, underlined
    Instruction, // navy, 9.75 point, regular
    Personal,    // navy, 9.75 point, bold
};

constexpr Qt::Alignment Left = Qt::AlignLeft | Qt::AlignTop;
constexpr Qt::Alignment Centred = Qt::AlignHCenter | Qt::AlignTop;

struct Control {
    Kind kind;
    const char *name;
    const char *container; // nullptr for the window itself
    int left, top, width, height; // twips, from the container's top-left corner
    Look look = Look::Default;
    Qt::Alignment alignment = Left;
    QString text = {};
};

// A text of the window's own, translated in the context frmAbout.
QString shown(const char *utf8)
{
    return QCoreApplication::translate("frmAbout", utf8);
}

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// Every control of the window, in the order of creation; a later control is drawn above
// an earlier one.
std::vector<Control> design()
{
    const QString email = text(Author::email);
    const QString keyboardModel = text(Author::keyboardModel);
    const Look Inst = Look::Instruction;
    const Look Pers = Look::Personal;

    return {
        {Kind::Frame, "Frame2", nullptr, 45, 135, 8250, 3615},
        {Kind::Frame, "Frame1", nullptr, 45, 3780, 8250, 1635},
        {Kind::Button, "cmdClose", nullptr, 7065, 5580, 1215, 375, Look::Default, Left, shown("&Close")},
        {Kind::Label, "Label2", nullptr, 45, 5760, 4095, 255, Look::Link, Left, text(Author::webPage)},
        {Kind::Label, "Label1", nullptr, 45, 5445, 4080, 255, Look::Link, Left, email},

        {Kind::Label, "Label6", "Frame2", 90, 315, 7995, 240, Inst, Centred,
         shown(R"(When you have a lot of styles on your harddisk and they start with the same)")},
        {Kind::Label, "Label7", "Frame2", 90, 585, 7995, 240, Inst, Centred,
         shown(R"(number: "01Samba" ; "01Walz" ; "01Rock"  you will encounter a problem)")},
        {Kind::Label, "Label8", "Frame2", 90, 855, 7995, 240, Inst, Centred,
         shown(R"(when reading those files in the Korvana Keyboard: it only sees one style......)")},
        {Kind::Line, "Line1", "Frame2", 135, 1170, 8100 - 135, 15},
        {Kind::Label, "Label3", "Frame2", 90, 1350, 8070, 240, Inst, Left,
         shown(R"(Drag and drop Korvana Styles with the Windows Explorer to the "groups",)")},
        {Kind::Label, "Label4", "Frame2", 90, 1620, 8070, 240, Inst, Left,
         shown(R"(Each group can contain 1 style ! "Group 01" makes a style on disk starting with "01")")},
        {Kind::Label, "Label12", "Frame2", 90, 1890, 8070, 240, Inst, Left,
         shown(R"(After dragging styles to the "group-window" you'll see that the font is red.)")},
        {Kind::Label, "Label13", "Frame2", 90, 2160, 8070, 240, Inst, Left,
         shown(R"(When the complete group has been copied, the  Groupbox turns to green.)")},
        {Kind::Label, "Label5", "Frame2", 90, 2430, 8070, 240, Inst, Left,
         shown(R"(Of course you always get an error that "the disk is full", don't worry.....)")},
        {Kind::Label, "Label14", "Frame2", 90, 2700, 8070, 240, Inst, Left,
         shown(R"(Insert a new disk. Format it if necessary. Choose "Empty GREEN groups only")")},
        {Kind::Label, "Label15", "Frame2", 90, 2970, 8070, 240, Inst, Left,
         shown(R"(and click  on "Copy to A:\" again. Then clear everything with "Empty ALL" and)")},
        {Kind::Label, "Label16", "Frame2", 90, 3240, 8070, 240, Inst, Left,
         shown(R"(start all over again with  dragging styles to "Group01", "Group02".)")},

        {Kind::Label, "Label9", "Frame1", 90, 180, 6990, 240, Pers, Left, text("")},
        {Kind::Label, "Label10", "Frame1", 3285, 180, 3840, 240, Pers, Left,
         shown("I hope it makes your life easier.")},
        {Kind::Label, "Label11_0", "Frame1", 90, 450, 6945, 240, Pers, Left,
         shown("If you think this program is usefull, the only thing I ask is:")},
        {Kind::Label, "Label11_1", "Frame1", 90, 720, 6990, 240, Pers, Left,
         shown("Send some good styles to: ") + email + u' '},
        {Kind::Label, "Label11_2", "Frame1", 90, 990, 7035, 240, Pers, Left,
         shown("I've a Korvana ") + keyboardModel + shown(", but I can convert a lot so.....")},
        {Kind::Label, "Label11_3", "Frame1", 90, 1260, 7035, 240, Pers, Left, shown("Make me happy...")},
    };
}

// A link that the keyboard reaches too: Tab comes to it after the button, and Return or
// the space bar follows it. With the focus it shows a focus frame around its text.
class KeyboardLink : public ClickableLabel {
public:
    KeyboardLink(const QString &text, QWidget *parent)
        : ClickableLabel(text, parent)
    {
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const int key = event->key();
        const bool follow = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
        if (follow && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !event->isAutoRepeat())
            emit clicked();
        else
            ClickableLabel::keyPressEvent(event);
    }

    void paintEvent(QPaintEvent *event) override
    {
        ClickableLabel::paintEvent(event);
        if (!hasFocus())
            return;
        QPainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = QStyle::alignedRect(layoutDirection(), alignment(), fontMetrics().size(0, text()), rect());
        option.backgroundColor = palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
};

void applyLook(QLabel *label, Look look)
{
    switch (look) {
    case Look::Link:
        label->setFont(designFont("MS Sans Serif", 8.25, 400, true));
        paintText(label, Blue);
        label->setCursor(Qt::PointingHandCursor);
        break;
    case Look::Instruction:
        label->setFont(designFont("MS Sans Serif", 9.75, 400));
        paintText(label, Navy);
        break;
    case Look::Personal:
        label->setFont(designFont("MS Sans Serif", 9.75, 700));
        paintText(label, Navy);
        break;
    case Look::Default:
        break;
    }
}

QWidget *createControl(const Control &control, QWidget *container)
{
    switch (control.kind) {
    case Kind::Frame: {
        auto *frame = new QFrame(container);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken); // an etched line
        return frame;
    }
    case Kind::Line: {
        auto *line = new QFrame(container);
        line->setFrameStyle(QFrame::HLine | QFrame::Plain);
        return line;
    }
    case Kind::Button:
        return new QPushButton(control.text, container);
    case Kind::Label:
        break;
    }
    QLabel *label = control.look == Look::Link ? new KeyboardLink(control.text, container)
                                               : new QLabel(control.text, container);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(control.alignment);
    applyLook(label, control.look);
    return label;
}

// Announces the window to assistive technology as a dialog; a plain top-level widget would
// be announced as a filler, which screen readers pass over.
QAccessibleInterface *accessibleAboutWindow(const QString &className, QObject *object)
{
    if (className == QLatin1String(frmAbout::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<frmAbout *>(object), QAccessible::Dialog);
    return nullptr;
}

} // namespace

QPointF centredTopLeft(QSizeF screen, QSizeF window)
{
    const float left = (float(screen.width()) - float(window.width())) / 2.0f;
    const float top = (float(screen.height()) - float(window.height())) / 2.0f;
    return {left, top};
}

frmAbout::frmAbout(Launcher &launcher, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , launcher(launcher)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(shown("KORVANA copy 01-10  by ") + text(Author::name));
    setWindowIcon(QIcon(QStringLiteral(":/about/about-icon.png")));
    setFixedSize(pixelsFromTwips(8415), pixelsFromTwips(6060));
    setPalette(designFace());
    createControls();
    QAccessible::installFactory(accessibleAboutWindow);
    connect(new FrameExtentsWatcher(this), &FrameExtentsWatcher::frameStated, this, &frmAbout::frameStated);
}

void frmAbout::createControls()
{
    for (const Control &control : design()) {
        QWidget *container = control.container ? findChild<QWidget *>(control.container) : this;
        QWidget *widget = createControl(control, container);
        widget->setObjectName(text(control.name));
        widget->setGeometry(pixelsFromTwips({control.left, control.top, control.width, control.height}));
    }

    auto *cmdClose = findChild<QPushButton *>(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true); // Enter presses it; the space bar does so as it has the focus
    cmdClose->setFocus();
    connect(cmdClose, &QPushButton::clicked, this, &frmAbout::cmdClose_Click);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &frmAbout::cmdClose_Click);

    // Each line opens another address than the one that it shows.
    auto *Label1 = findChild<ClickableLabel *>(QStringLiteral("Label1"));
    Label1->setAccessibleDescription(tr("Opens the author's web page"));
    auto *Label2 = findChild<ClickableLabel *>(QStringLiteral("Label2"));
    Label2->setAccessibleDescription(tr("Opens the style exchange site"));
    Label1->setAccessibleName(Label1->text());
    Label2->setAccessibleName(Label2->text());
    connect(Label1, &ClickableLabel::clicked, this, &frmAbout::Label1_Click);
    connect(Label2, &ClickableLabel::clicked, this, &frmAbout::Label2_Click);
    setTabOrder(cmdClose, Label1);
    setTabOrder(Label1, Label2);
}

void frmAbout::Form_Load()
{
    const QRect screenArea = screen()->geometry();
    const QMargins outside = frame();
    const QPointF topLeft = centredTopLeft(screenArea.size(), size().grownBy(outside));
    // Placed by its client area, which does not depend on what the toolkit thinks the frame is.
    setGeometry(QRect(screenArea.topLeft() + topLeft.toPoint() + QPoint(outside.left(), outside.top()), size()));
}

void frmAbout::cmdClose_Click()
{
    close();
}

void frmAbout::Label1_Click()
{
    openWebPage(text(Author::webPageUrl));
}

void frmAbout::Label2_Click()
{
    openWebPage(text(Author::exchangeSiteUrl));
}

void frmAbout::openWebPage(const QString &address)
{
    if (const QString failure = launcher.openWebPage(address); !failure.isEmpty())
        emit launchFailed(failure);
}

void frmAbout::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!loaded) {
        loaded = true;
        Form_Load();
        // A window manager frames the window each time it comes on the screen and only then
        // states the frame; until it has, the frame is a guess. Centre again on the stated one.
        frameAwaited = true;
    }
}

QMargins frmAbout::frame() const
{
    if (windowManagerFrame)
        return *windowManagerFrame;
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void frmAbout::frameStated(QMargins stated)
{
    windowManagerFrame = stated;
    if (frameAwaited) {
        frameAwaited = false;
        Form_Load();
    }
}

void frmAbout::closeEvent(QCloseEvent *event)
{
    loaded = false; // showing the window again loads it afresh
    frameAwaited = false;
    QWidget::closeEvent(event);
}
