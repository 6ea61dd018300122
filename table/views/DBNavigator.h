// SPDX-License-Identifier: MIT
#pragma once

#include "DataSource.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <exception>
#include <functional>

class QToolButton;

// The record navigator: ten equal buttons side by side that move through the data source's
// table, insert, delete (after a confirmation), edit, post, cancel and re-read. It never takes
// the keyboard focus, shows no tooltips, and keeps its buttons' enabled states up to date even
// while hidden.
class DBNavigator : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(DataSource *dataSource READ dataSource WRITE setDataSource)
public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    Q_ENUM(Button)
    static constexpr int ButtonCount = 10;

    explicit DBNavigator(QWidget *parent = nullptr);

    DataSource *dataSource() const;
    void setDataSource(DataSource *source);

    QToolButton *button(Button which) const { return m_buttons.at(which); }

    // What a click on the button does; nothing while the table is closed.
    void doAction(Button which);

signals:
    // An error of a button's action; without a listener the error propagates.
    void actionFailed(std::exception_ptr error);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool run(const std::function<void()> &action);
    void updateButtons();
    void placeButtons();

    QPointer<DataSource> m_source;
    std::array<QToolButton *, ButtonCount> m_buttons{};
};
