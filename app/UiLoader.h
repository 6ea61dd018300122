// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <QUiLoader>

#include <stdexcept>

// A layout that cannot be built as the window needs it.
class LayoutError : public std::runtime_error
{
public:
    explicit LayoutError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

namespace detail {
// Hides the Designer plugin folders from QUiLoader's constructor, which would otherwise load
// every plugin installed on the system; the window uses none of them.
class WithoutDesignerPlugins
{
protected:
    WithoutDesignerPlugins();
    void restore();

private:
    QStringList m_libraryPaths;
};
} // namespace detail

// Builds the window's controls from a Designer layout, including the data-aware views DBGrid,
// DBMemo and DBNavigator.
class UiLoader : private detail::WithoutDesignerPlugins, public QUiLoader
{
public:
    explicit UiLoader(QObject *parent = nullptr);

    QWidget *createWidget(const QString &className, QWidget *parent = nullptr,
                          const QString &name = QString()) override;
};
