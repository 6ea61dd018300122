// SPDX-License-Identifier: MIT
#include "MessageDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {

MessageInterceptor &currentInterceptor()
{
    static MessageInterceptor interceptor;
    return interceptor;
}

QString captionOf(MessageType type)
{
    switch (type) {
    case MessageType::Error: return u"Error"_s;
    case MessageType::Warning: return u"Warning"_s;
    case MessageType::Confirmation: return u"Confirm"_s;
    }
    return {};
}

QStyle::StandardPixmap iconOf(MessageType type)
{
    switch (type) {
    case MessageType::Error: return QStyle::SP_MessageBoxCritical;
    case MessageType::Warning: return QStyle::SP_MessageBoxWarning;
    case MessageType::Confirmation: return QStyle::SP_MessageBoxQuestion;
    }
    return QStyle::SP_MessageBoxInformation;
}

QString captionOf(MessageButton button)
{
    return button == MessageButton::Ok ? u"OK"_s : u"Cancel"_s;
}

// The buttons in their fixed order, each once.
QList<MessageButton> orderedButtons(const QList<MessageButton> &buttons)
{
    QList<MessageButton> ordered;
    for (MessageButton button : {MessageButton::Ok, MessageButton::Cancel}) {
        if (buttons.contains(button))
            ordered.append(button);
    }
    if (ordered.isEmpty())
        ordered.append(MessageButton::Ok);
    return ordered;
}

class MessageWindow : public QDialog
{
public:
    MessageWindow(const MessageRequest &request, QWidget *parent)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                              | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                              | Qt::MSWindowsFixedSizeDialogHint),
          m_request(request),
          m_escapeButton(request.buttons.contains(MessageButton::Cancel) ? MessageButton::Cancel
                                                                         : MessageButton::Ok),
          m_pressed(m_escapeButton)
    {
        setWindowTitle(request.caption);
        setModal(true);

        auto *icon = new QLabel(this);
        icon->setObjectName(u"icon"_s);
        const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icon->setPixmap(style()->standardIcon(iconOf(request.type), nullptr, this)
                            .pixmap(QSize(iconSize, iconSize), devicePixelRatio()));
        icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

        auto *text = new QLabel(request.text, this);
        text->setObjectName(u"text"_s);
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        text->setTextInteractionFlags(Qt::NoTextInteraction);
        // A short message stays on one line; a long one wraps at about half the screen's width.
        const QScreen *screen = targetScreen();
        const int widest = screen ? screen->geometry().width() / 2 : 400;
        const int natural = text->fontMetrics().horizontalAdvance(request.text) + 2;
        text->setMinimumWidth(std::min(natural, widest));
        text->setMaximumWidth(std::max(widest, 1));

        auto *buttonRow = new QHBoxLayout;
        buttonRow->addStretch();
        for (MessageButton button : request.buttons) {
            auto *push = new QPushButton(captionOf(button), this);
            push->setObjectName(button == MessageButton::Ok ? u"okButton"_s : u"cancelButton"_s);
            push->setAutoDefault(true);
            connect(push, &QPushButton::clicked, this, [this, button] { press(button); });
            buttonRow->addWidget(push);
            if (button == request.buttons.first()) {
                push->setDefault(true);
                push->setFocus(Qt::OtherFocusReason);
            }
        }
        buttonRow->addStretch();

        auto *grid = new QGridLayout(this);
        grid->setSizeConstraint(QLayout::SetFixedSize);
        grid->setHorizontalSpacing(style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing) * 3);
        grid->addWidget(icon, 0, 0, Qt::AlignTop);
        grid->addWidget(text, 0, 1, Qt::AlignVCenter);
        grid->addLayout(buttonRow, 1, 0, 1, 2);
        grid->setColumnStretch(1, 1);
        grid->setVerticalSpacing(style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing) * 3);
    }

    MessageButton pressed() const { return m_pressed; }

protected:
    // Runs once the native window exists, before it is mapped: the frame is known where the
    // platform tells it, and the window appears in place without moving.
    void showEvent(QShowEvent *event) override
    {
        QDialog::showEvent(event);
        if (const QScreen *screen = targetScreen())
            move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frameGeometry().size(),
                                     screen->geometry())
                     .topLeft());
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->matches(QKeySequence::Copy)) {
            QGuiApplication::clipboard()->setText(clipboardText());
            QApplication::beep();
            event->accept();
            return;
        }
        QDialog::keyPressEvent(event);
    }

    // Esc and the close box both end here.
    void reject() override { press(m_escapeButton); }

private:
    void press(MessageButton button)
    {
        m_pressed = button;
        done(button == MessageButton::Ok ? QDialog::Accepted : QDialog::Rejected);
    }

    const QScreen *targetScreen() const
    {
        if (const QWidget *owner = parentWidget())
            return owner->window()->screen();
        return QGuiApplication::primaryScreen();
    }

    // The layout other desktop programs use for a copied message box.
    QString clipboardText() const
    {
        const QString separator = u"---------------------------\n"_s;
        QString buttons;
        for (MessageButton button : m_request.buttons)
            buttons += captionOf(button) + u"   "_s;
        return separator + m_request.caption + u'\n' + separator + m_request.text + u'\n'
               + separator + buttons + u'\n' + separator;
    }

    MessageRequest m_request;
    MessageButton m_escapeButton;
    MessageButton m_pressed;
};

} // namespace

MessageButton showMessage(MessageType type, const QString &text,
                          const QList<MessageButton> &buttons, QWidget *parent)
{
    const MessageRequest request{type, captionOf(type), text, orderedButtons(buttons)};
    if (const MessageInterceptor &interceptor = currentInterceptor()) {
        const MessageButton answer = interceptor(request);
        if (!request.buttons.contains(answer))
            throw std::invalid_argument("message interceptor answered with a button not shown");
        return answer;
    }

    QPointer<QWidget> focused = QApplication::focusWidget();
    QWidget *owner = parent ? parent->window() : QApplication::activeWindow();
    QPointer<MessageWindow> window = new MessageWindow(request, owner);
    window->exec();
    // The owner may have been destroyed while the message was open, taking the window with it.
    const MessageButton answer = window ? window->pressed() : request.buttons.last();
    delete window;

    if (focused && focused->isVisible()) {
        focused->window()->activateWindow();
        focused->setFocus(Qt::OtherFocusReason);
    }
    return answer;
}

void setMessageInterceptor(MessageInterceptor interceptor)
{
    currentInterceptor() = std::move(interceptor);
}
