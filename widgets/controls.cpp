#include "controls.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

class AccessibleLink : public QAccessibleWidget {
public:
    explicit AccessibleLink(ClickableLabel *label)
        : QAccessibleWidget(label, QAccessible::Link)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        QString shown = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && shown.isEmpty())
            shown = static_cast<const QLabel *>(widget())->text();
        return shown;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    // Queued, so that the click is handled as a mouse click is, after the request is answered.
    void doAction(const QString &action) override
    {
        if (action == pressAction())
            QMetaObject::invokeMethod(static_cast<ClickableLabel *>(widget()), &ClickableLabel::clicked,
                                      Qt::QueuedConnection);
    }
};

QAccessibleInterface *accessibleLink(const QString &className, QObject *object)
{
    if (className == QLatin1String(ClickableLabel::staticMetaObject.className()))
        return new AccessibleLink(static_cast<ClickableLabel *>(object));
    return nullptr;
}

} // namespace

ClickableLabel::ClickableLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    QAccessible::installFactory(accessibleLink);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void WrappingButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this) / 2;
    painter.drawText(rect().adjusted(margin, margin, -margin, -margin),
                     Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, text());
}

void WrappingButton::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain && !event->isAutoRepeat())
        click();
    else
        QPushButton::keyPressEvent(event);
}
