// Wall-clock time of a piece of work in the windows, with the toolkit's pending work done.
#pragma once

#include <gtk/gtk.h>

#include <chrono>

template <typename Work>
double milliseconds(Work work)
{
    auto start = std::chrono::steady_clock::now();
    work();
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
