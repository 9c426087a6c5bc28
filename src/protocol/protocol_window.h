// The protocol window (window 4) with the protocol control in its list or table form, the
// one way into the protocol.
#pragma once

#include <functional>
#include <string>

#include "protocol/protocol_export.h"

// Creates the protocol window with its top row and the protocol control.
void createProtocolWindow();
// Moves and sizes the window's controls to its new inner size.
void relayoutProtocolWindow();
// The most rows the list form keeps; older ones leave it, to the autosave file when autosave
// runs. Only tests lower it.
extern int protocolRowLimit;

// Records a line: text's "\n" parts fill the list columns; kind is the line type code, 255
// for a response, -1 for information; extra goes to column 3. Nothing without a current port.
void protocolOut(const std::string& text, int kind, const std::string& extra);

// What a line needs to know of the ports and the run, which the protocol does not see: whether
// a port is current, and the pause that the list shows beside a line of this kind.
struct LineContext {
    bool portCurrent = false;
    std::string pause;
};
// The start-up names the function that tells it.
void setLineContextSource(std::function<LineContext(int kind)> source);
// Empties the protocol control and gives it the columns of the form (4 list, 8 table).
void buildProtocolLayout(int mode);
void clearProtocol(bool ask);
void deleteProtocolRow();
// Told when the table changed as a whole (cleared, rebuilt, a row deleted), and when a run wrote
// a text into a cell (rows and columns from 1); app/ wires the diagram to them.
void setTableListeners(std::function<void()> changed, std::function<void(int, int, const std::string&)> cellWritten);
bool protocolShownAsTable();
// The number of columns the protocol control shows.
int protocolColumnCount();
// Adds table columns until there are colCount data columns, or removes those right of it.
void growProtocolColumns(int dataColumns);
void shrinkProtocolColumns(int dataColumns);
// The rows of the protocol control with the cells of its form: the four list columns, or the
// row-number column and the table columns 1 to colCount.
ProtocolRows protocolRows();
