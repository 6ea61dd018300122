// SPDX-License-Identifier: MIT
#include "DBNavigator.h"
#include "MessageDialog.h"
#include "ViewAction.h"

#include <QIcon>
#include <QMetaMethod>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int GlyphSize = 16;

// The button's picture: black shapes on a transparent 16 × 16 square; the disabled look comes
// from the style.
QIcon glyph(DBNavigator::Button which)
{
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap(QSize(GlyphSize, GlyphSize) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing, ratio > 1.0);
        const QColor ink(Qt::black);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        const auto triangle = [&](qreal tipX, qreal baseX) {
            const QPointF points[] = {{tipX, 8.0}, {baseX, 3.5}, {baseX, 12.5}};
            p.drawPolygon(points, 3);
        };
        switch (which) {
        case DBNavigator::First:
            p.drawRect(QRectF(4, 3.5, 2, 9));
            triangle(6.5, 11.5);
            break;
        case DBNavigator::Prior:
            triangle(5.5, 10.5);
            break;
        case DBNavigator::Next:
            triangle(10.5, 5.5);
            break;
        case DBNavigator::Last:
            triangle(9.5, 4.5);
            p.drawRect(QRectF(10, 3.5, 2, 9));
            break;
        case DBNavigator::Insert:
            p.drawRect(QRectF(3, 7, 10, 2));
            p.drawRect(QRectF(7, 3, 2, 10));
            break;
        case DBNavigator::Delete:
            p.drawRect(QRectF(3, 7, 10, 2));
            break;
        case DBNavigator::Edit: {
            const QPointF points[] = {{8.0, 4.0}, {12.5, 11.0}, {3.5, 11.0}};
            p.drawPolygon(points, 3);
            break;
        }
        case DBNavigator::Post: {
            p.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            p.setBrush(Qt::NoBrush);
            const QPointF points[] = {{3.5, 8.0}, {6.5, 11.0}, {12.5, 4.5}};
            p.drawPolyline(points, 3);
            break;
        }
        case DBNavigator::Cancel:
            p.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::SquareCap));
            p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
            p.drawLine(QPointF(4.5, 11.5), QPointF(11.5, 4.5));
            break;
        case DBNavigator::Refresh: {
            p.setPen(QPen(ink, 1.6));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(3.5, 3.5, 9, 9), 100 * 16, 280 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            const QPointF head[] = {{7.0, 1.0}, {11.0, 3.8}, {7.0, 6.5}};
            p.drawPolygon(head, 3);
            break;
        }
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// The buttons' hints: kept as accessible names, never shown as tooltips.
QString hint(DBNavigator::Button which)
{
    static const char16_t *const hints[] = {
        u"First record", u"Prior record", u"Next record", u"Last record", u"Insert record",
        u"Delete record", u"Edit record", u"Post edit", u"Cancel edit", u"Refresh data",
    };
    return QString::fromUtf16(hints[which]);
}

} // namespace

DBNavigator::DBNavigator(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    const QMetaEnum names = QMetaEnum::fromType<Button>();
    for (int i = 0; i < ButtonCount; ++i) {
        const auto which = Button(i);
        auto *button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(names.valueToKey(i)));
        button->setFocusPolicy(Qt::NoFocus);
        button->setIcon(glyph(which));
        button->setIconSize(QSize(GlyphSize, GlyphSize));
        button->setAccessibleName(hint(which));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        if (which == Prior || which == Next) {
            button->setAutoRepeat(true);
            button->setAutoRepeatDelay(400);
            button->setAutoRepeatInterval(100);
        }
        connect(button, &QToolButton::clicked, this, [this, which] { doAction(which); });
        m_buttons[i] = button;
    }
    resize(280, 41);
    placeButtons();
    updateButtons();
}

DataSource *DBNavigator::dataSource() const
{
    return m_source;
}

void DBNavigator::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &DataSource::dataSetChanged, this, &DBNavigator::updateButtons);
        connect(source, &DataSource::stateChanged, this, &DBNavigator::updateButtons);
        connect(source, &DataSource::rowsReset, this, &DBNavigator::updateButtons);
        connect(source, &DataSource::currentRowChanged, this, &DBNavigator::updateButtons);
    }
    updateButtons();
}

bool DBNavigator::run(const std::function<void()> &action)
{
    const bool listened = isSignalConnected(QMetaMethod::fromSignal(&DBNavigator::actionFailed));
    return runViewAction(listened, action, [this](std::exception_ptr error) { emit actionFailed(error); });
}

void DBNavigator::doAction(Button which)
{
    Table *table = dataSetOf(m_source);
    if (!table || !table->isActive())
        return;
    run([&] {
        switch (which) {
        case First: table->first(); break;
        case Prior: table->prior(); break;
        case Next: table->next(); break;
        case Last: table->last(); break;
        case Insert: table->insert(); break;
        case Delete:
            if (showMessage(MessageType::Confirmation, u"Delete record?"_s,
                            {MessageButton::Ok, MessageButton::Cancel}, this)
                == MessageButton::Ok)
                table->deleteRecord();
            break;
        case Edit: table->edit(); break;
        case Post: table->post(); break;
        case Cancel: table->cancel(); break;
        case Refresh: table->refresh(); break;
        }
    });
    updateButtons(); // a failed action emits nothing, yet the state may have moved
}

void DBNavigator::updateButtons()
{
    const Table *table = dataSetOf(m_source);
    const bool active = table && table->isActive();
    const bool canModify = active && table->canModify();
    const bool editing = active && table->isEditing();
    const bool up = active && !table->bof();
    const bool down = active && !table->eof();
    const bool enabled[ButtonCount] = {
        up, up, down, down,                   // first, prior, next, last
        canModify,                            // insert
        canModify && !table->isEmpty(),       // delete
        canModify && !editing,                // edit
        canModify && editing, canModify && editing, // post, cancel
        canModify,                            // refresh
    };
    for (int i = 0; i < ButtonCount; ++i)
        m_buttons[i]->setEnabled(enabled[i]);
}

void DBNavigator::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void DBNavigator::placeButtons()
{
    // Equal buttons across the whole width; the remainder of the division goes to the last ones.
    const int w = width();
    for (int i = 0; i < ButtonCount; ++i) {
        const int left = w * i / ButtonCount;
        const int right = w * (i + 1) / ButtonCount;
        m_buttons[i]->setGeometry(left, 0, right - left, height());
    }
}
