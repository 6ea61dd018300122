// SPDX-License-Identifier: MIT
#include "Application.h"
#include "ErrorReport.h"
#include "TForm1.h"
#include "Table.h"

#include <memory>

int main(int argc, char *argv[])
{
    // The table is read on a second core while the application and its window are set up.
    const TablePreload preload(TForm1::tableNameIn(Application::executableFolder()));
    Application application(argc, argv);
    std::unique_ptr<TForm1> form;
    try {
        form = std::make_unique<TForm1>();
    } catch (...) { // the window itself cannot be built: nothing to run
        reportException(std::current_exception());
        return 1;
    }
    form->show();
    return Application::exec();
}
