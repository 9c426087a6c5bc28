// The window "Quirlo - Netzwerkgeräte suchen" (window 11): a search for instruments on the LAN
// with a progress bar and Stop, its finds listed with their port and *IDN? answer; a double
// click adds a find as a port.
#pragma once

void createLanSearchWindow();
// Shows the window and starts a search, unless one runs.
void openLanSearch();
void startLanSearch();
void stopLanSearch();
// The progress bar follows the time between the steps of the search.
void lanSearchTick();
// Adds the chosen find as a port, as "Port hinzufügen..." adds a named one.
void addFoundPort();
void closeLanSearch();
