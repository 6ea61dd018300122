// SPDX-License-Identifier: MIT
#include "UiLoader.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "DBNavigator.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace detail {

WithoutDesignerPlugins::WithoutDesignerPlugins() : m_libraryPaths(QCoreApplication::libraryPaths())
{
    // A resource folder that does not exist: nothing can ever be found, or put, there.
    QCoreApplication::setLibraryPaths({u":/prefixbook/no-plugins"_s});
}

void WithoutDesignerPlugins::restore()
{
    QCoreApplication::setLibraryPaths(m_libraryPaths);
}

} // namespace detail

UiLoader::UiLoader(QObject *parent) : QUiLoader(parent)
{
    restore();
}

QWidget *UiLoader::createWidget(const QString &className, QWidget *parent, const QString &name)
{
    QWidget *widget = nullptr;
    if (className == u"DBGrid"_s)
        widget = new DBGrid(parent);
    else if (className == u"DBMemo"_s)
        widget = new DBMemo(parent);
    else if (className == u"DBNavigator"_s)
        widget = new DBNavigator(parent);
    else
        return QUiLoader::createWidget(className, parent, name);
    widget->setObjectName(name);
    return widget;
}
