// The protocol window (window 4) with the protocol control in its list or table form, the
// one way into the protocol, and export and autosave as the main loop calls them.
#pragma once

#include <string>

// Creates the protocol window with its top row and the protocol control.
void createProtocolWindow();
// Moves and sizes the window's controls to its new inner size.
void relayoutProtocolWindow();
// Records a line: text's "\n" parts fill the list columns; kind is the line type code, 255
// for a response, -1 for information; extra goes to column 3. Nothing without a current port.
void protocolOut(const std::string& text, int kind, const std::string& extra);
// Empties the protocol control and gives it the columns of the form (4 list, 8 table).
void buildProtocolLayout(int mode);
void clearProtocol(bool ask);
// Sizes every column of the list control (window, id) to its content.
void autoSizeColumns(int window, int list);
void deleteProtocolRow();
bool protocolShownAsTable();
// The number of columns the protocol control shows.
int protocolColumnCount();
// Adds table columns until there are colCount data columns, or removes those right of it.
void growProtocolColumns(int dataColumns);
void shrinkProtocolColumns(int dataColumns);
void exportProtocolToClipboard(int format);
// Copies the protocol to the clipboard before a program's message box, as the settings ask.
void exportBeforeMessageBox();
// The run's autosave: 0 at its start, 1 at its end (write), 2 after that (stop).
void protocolAutosave(int stage);
void saveProtocolLog();
void autosaveProtocol();
