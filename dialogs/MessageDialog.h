// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <functional>

class QWidget;

// The one message window of the program: the search's and the entry filter's messages and the
// record views' confirmations.
enum class MessageType {
    Error,        // caption "Error", stop icon
    Warning,      // caption "Warning", exclamation icon
    Confirmation, // caption "Confirm", question-mark icon
};

enum class MessageButton { Ok, Cancel };

// Shows a modal message and returns the button pressed (close box / Esc with a Cancel button = Cancel).
//
// The buttons appear in the fixed order "OK", "Cancel", whatever the order given (an empty list
// means OK alone); OK is the default button. Esc and the close box press Cancel where there is
// one, else OK. The window is centred on the screen, makes no sound, blocks until answered and
// gives the keyboard focus back to the widget that had it. Ctrl+C copies caption, text and
// button captions to the clipboard with a beep, lines ended by "\n".
MessageButton showMessage(MessageType type, const QString &text,
                          const QList<MessageButton> &buttons = {MessageButton::Ok},
                          QWidget *parent = nullptr);

// What showMessage() would show: buttons in their fixed order, caption from the type.
struct MessageRequest
{
    MessageType type;
    QString caption;
    QString text;
    QList<MessageButton> buttons;
};

using MessageInterceptor = std::function<MessageButton(const MessageRequest &)>;

// While set, showMessage() asks the interceptor instead of opening a window (tests use it; the
// program never sets it). An empty interceptor restores the window. The interceptor must answer
// with one of the request's buttons, else showMessage() throws std::invalid_argument.
void setMessageInterceptor(MessageInterceptor interceptor);
