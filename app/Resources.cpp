// SPDX-License-Identifier: MIT
#include "Resources.h"

#include <QtGlobal>

void initResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(prefixbook);
        return true;
    }();
    Q_UNUSED(registered);
}
