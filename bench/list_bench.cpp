// Sorting, restoring and searching a command list of 10,000 rows in the real list control.
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/paths.h"
#include "app/startup.h"
#include "lists/list_windows.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/message_dialog.h"
#include "ui/list_access.h"
#include "ui/windows.h"

#include "timing.h"

int main(int argc, char** argv)
{
    // A start-up message (no xterm, no ports) must not wait for a person.
    setMessageResponder([](const MessageRequest&) { return static_cast<int>(ResultYes); });
    startUp(&argc, &argv, findProgramDir());
    showOrToggleWindow(WinCommandList);
    const int rows = 10000;
    double fill = milliseconds([&] {
        BulkListChange bulk(WinCommandList, IdCmdList);
        for (int row = 0; row < rows; ++row) {
            // Commands that share their first characters, as instrument command sets do.
            std::string command = "SOURCE:VOLT:LEVEL:" + std::to_string((row * 7919) % rows) + " <f>";
            insertRow(WinCommandList, IdCmdList, -1,
                      {std::to_string(row % 16), command, "100", "Beschreibung " + std::to_string(row)});
        }
    });
    double firstSort = milliseconds([] { sortCommandList(1); });
    double secondSort = milliseconds([] { sortCommandList(1); });
    double otherColumn = milliseconds([] { sortCommandList(3); });
    double restore = milliseconds([] { restoreUnsortedOrder(); });
    std::string last = cellText(WinCommandList, IdCmdList, rows - 1, 1);
    double search = milliseconds([&] { setControlText(WinCommandList, IdCmdSearchField, last); findCommand(false); });
    std::printf("command list of %d rows\n", rows);
    std::printf("  fill                   %8.1f ms\n", fill);
    std::printf("  sort by command        %8.1f ms\n", firstSort);
    std::printf("  sort again (reverse)   %8.1f ms\n", secondSort);
    std::printf("  sort by description    %8.1f ms\n", otherColumn);
    std::printf("  restore unsorted order %8.1f ms\n", restore);
    std::printf("  search to the last row %8.1f ms (found row %d)\n", search,
                selectedRow(WinCommandList, IdCmdList));
    exitSequence();
    return 0;
}
