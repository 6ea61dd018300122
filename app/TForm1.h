// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QWidget>

#include <functional>

class DataSource;
class Table;
class DBGrid;
class DBMemo;
class DBNavigator;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

// The program's one window. Its controls, their places, fonts, colours, tab order and bindings
// come from the layout resources/form1.ui, read when the window is built; this class holds the
// components and the event methods. Errors that leave an event method go to the error report.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    // folder: where the prefix table lies; the program passes its executable's folder.
    explicit TForm1(const QString &folder = QCoreApplication::applicationDirPath(), QWidget *parent = nullptr);
    ~TForm1() override;

    // The table the window opens when it is built in folder (see Table::setTableName()).
    static QString tableNameIn(const QString &folder);

    // The components, in the form's order.
    DataSource *DataSource1 = nullptr;
    Table *Table1 = nullptr;
    DBGrid *DBGrid1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLineEdit *Edit2 = nullptr;
    QPushButton *Button1 = nullptr;
    DBNavigator *DBNavigator1 = nullptr;
    QPushButton *Button2 = nullptr;
    QLabel *Image1 = nullptr;
    QPushButton *Button3 = nullptr;
    DBMemo *DBMemo1 = nullptr;
    QPushButton *Button4 = nullptr;
    QLabel *Label1 = nullptr;

    // The event methods. Each may throw; the window routes what they throw to the error report.
    void FormCreate(QObject *sender);  // points Table1 at the table beside the program, opens it
    void Button1Click(QObject *sender); // the prefix search
    // The callsign entry filter: every key pressed in Edit1 passes here first; true swallows it.
    // Spaces and characters from Windows-1251 code 152 up (or with no such code) are kept out,
    // the latter with a warning and a switch to US English; Enter runs the search first.
    bool Edit1KeyPress(QObject *sender, QKeyEvent *event);
    void Button2Click(QObject *sender); // shows the navigator
    void Button3Click(QObject *sender); // closes the window
    void Button4Click(QObject *sender); // hides the navigator

    // How the keyboard was last switched to US English after a refused key.
    enum class KeyboardSwitch {
        NotSwitched,  // no refused key yet
        SystemLayout, // the system's US layout was made active
        LatinInField, // not possible here: Edit1 turns each key into its US character itself
    };
    KeyboardSwitch keyboardSwitch() const { return m_keyboardSwitch; }

    // The scrolling client area and the layout's root inside it.
    QScrollArea *clientArea() const { return m_clientArea; }
    QWidget *client() const { return m_client; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void loadLayout();
    void fitFonts();
    void applyScale(qreal scale);
    void bindDataAwareControls();
    void connectEvents();
    void focusFirstControl();
    // Runs an event method; what it throws is shown by the error report.
    void handle(const std::function<void()> &method);
    void switchToUsKeyboard();

    QString m_folder;
    QScrollArea *m_clientArea = nullptr;
    QWidget *m_client = nullptr;
    KeyboardSwitch m_keyboardSwitch = KeyboardSwitch::NotSwitched;
};
