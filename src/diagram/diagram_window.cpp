// The diagram window: its controls, the picture PLplot draws on a thread of its own, and the
// timer that lets the diagram follow the table at most a few times a second. The table's texts
// are kept as the diagram read them, and a run's writes update them cell by cell, so that a
// long table is not read again for every drawing.
#include "diagram/diagram_window.h"

#include <gio/gio.h>
#include <gtk/gtk.h>


#include "common/files.h"
#include "common/text.h"
#include "diagram/diagram_plot.h"
#include "protocol/protocol_files.h"
#include "protocol/protocol_state.h"
#include "protocol/protocol_window.h"
#include "ui/controls.h"
#include "ui/free_place.h"
#include "ui/ids.h"
#include "ui/list_access.h"
#include "ui/message_dialog.h"
#include "ui/shortcuts.h"
#include "ui/timers.h"
#include "ui/windows.h"

namespace {

// The diagram follows the table at most this often.
constexpr int followMs = 300;
// The size of a saved diagram when the window's is too small to be one.
constexpr int savedWidth = 800, savedHeight = 600;
constexpr int controlsHeight = 92;

DiagramOptions options;
Diagram shown;
bool tableChanged = false;

// The table's texts as read, rows and columns from 1; a cell is read from the list once.
struct TableCache {
    int rows = 0, columns = 0;
    std::vector<std::string> texts;
    std::vector<char> known;
    bool stale = true; // read afresh at the next drawing

    size_t index(int row, int column) const
    {
        return static_cast<size_t>(row - 1) * static_cast<size_t>(columns) + static_cast<size_t>(column - 1);
    }
    void reset(int newRows, int newColumns)
    {
        rows = std::max(newRows, 0);
        columns = std::max(newColumns, 0);
        texts.assign(static_cast<size_t>(rows) * static_cast<size_t>(columns), std::string());
        known.assign(texts.size(), 0);
        stale = false;
    }
    const std::string& at(int row, int column)
    {
        static const std::string outside;
        if (row < 1 || row > rows || column < 1 || column > columns)
            return outside;
        size_t i = index(row, column);
        if (!known[i]) {
            texts[i] = cellText(WinProtocol, IdPtkList, row, column);
            known[i] = 1;
        }
        return texts[i];
    }
    void written(int row, int column, const std::string& text)
    {
        if (stale || column < 1 || column > columns || row < 1) {
            stale = true;
            return;
        }
        // Rows the run added since: their cells are read when they are needed.
        if (row > rows) {
            texts.resize(static_cast<size_t>(row) * static_cast<size_t>(columns));
            known.resize(texts.size(), 0);
            rows = row;
        }
        texts[index(row, column)] = text;
        known[index(row, column)] = 1;
    }
};
TableCache table;

// The picture of the diagram, drawn by a worker: it gets a copy of the diagram, touches no
// window, hands the picture back through the main loop, and is abandoned at exit (its job owns
// everything it uses). One drawing at a time, and the last one asked for while it runs follows.
cairo_surface_t* picture = nullptr;
bool drawing = false;
bool drawAgain = false;

struct Drawing {
    Diagram diagram;
    int width = 0, height = 0;
    cairo_surface_t* picture = nullptr;
};

void drawOnThread(GTask* task, gpointer, gpointer data, GCancellable*)
{
    auto* job = static_cast<Drawing*>(data);
    job->picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, job->width, job->height);
    cairo_t* context = cairo_create(job->picture);
    drawDiagram(context, job->width, job->height, job->diagram);
    cairo_destroy(context);
    cairo_surface_flush(job->picture);
    g_task_return_boolean(task, TRUE);
}

void startDrawing();

void drawn(GObject*, GAsyncResult* result, gpointer)
{
    auto* job = static_cast<Drawing*>(g_task_get_task_data(G_TASK(result)));
    drawing = false;
    if (picture)
        cairo_surface_destroy(picture);
    picture = job->picture;
    job->picture = nullptr;
    if (GtkWidget* area = controlWidget(WinDiagram, IdDgmPlot))
        gtk_widget_queue_draw(area);
    if (drawAgain)
        startDrawing();
}

void startDrawing()
{
    GtkWidget* area = controlWidget(WinDiagram, IdDgmPlot);
    if (!area)
        return;
    drawAgain = drawing;
    if (drawing)
        return;
    GtkAllocation size;
    gtk_widget_get_allocation(area, &size);
    auto* job = new Drawing{shown, std::max(size.width, 1), std::max(size.height, 1)};
    drawing = true;
    GTask* task = g_task_new(nullptr, nullptr, drawn, nullptr);
    g_task_set_task_data(task, job, [](gpointer data) {
        auto* done = static_cast<Drawing*>(data);
        if (done->picture)
            cairo_surface_destroy(done->picture);
        delete done;
    });
    g_task_run_in_thread(task, drawOnThread);
    g_object_unref(task);
}

const std::vector<std::string> alongChoices = {"Reihen in Zeilen", "Reihen in Spalten"};
const std::vector<std::string> styleChoices = {"Linien", "Punkte", "Linien und Punkte"};

double fieldNumber(int id, double fallback)
{
    CellNumber read = cellNumber(controlText(WinDiagram, id));
    return read.whole ? read.value : fallback;
}

int fieldLine(int id)
{
    std::vector<int> numbers = lineNumbers(controlText(WinDiagram, id));
    return numbers.empty() ? 0 : numbers[0];
}

GtkWidget* field(GtkWidget* fixed, int id, const char* label, const std::string& text, int x, int y, int labelWidth,
                 int width, const char* toolTip)
{
    putLabel(fixed, label, x, y, labelWidth);
    GtkWidget* entry = putField(fixed, WinDiagram, id, text.c_str(), x + labelWidth + 4, y, width, toolTip);
    connectControlEvent(entry, "changed", WinDiagram, id, CtlChange);
    return entry;
}

void check(GtkWidget* fixed, int id, const char* label, bool on, int x, int y, int width, const char* toolTip)
{
    putCheck(fixed, WinDiagram, id, label, x, y, width, on, toolTip);
}

void choice(GtkWidget* fixed, int id, const std::vector<std::string>& choices, int active, int x, int y, int width,
            const char* toolTip)
{
    GtkWidget* box = putChoice(fixed, WinDiagram, id, choices, active, x, y, width, toolTip);
    connectControlEvent(box, "changed", WinDiagram, id, CtlChange);
}

void showHint(const std::string& hint)
{
    if (controlText(WinDiagram, IdDgmHint) != hint)
        setControlText(WinDiagram, IdDgmHint, hint);
}

void redraw()
{
    tableChanged = false;
    shown = currentDiagram();
    std::string hint = shown.hint;
    if (protocol.protocolMode != ModeTable)
        hint = "Das Protokoll ist keine Tabelle: das Diagramm zeigt die Messtabelle (Einstellungen, Protokoll).";
    else if (!plottingAvailable())
        hint = "Die Zeichenbibliothek hat keine Cairo-Ausgabe (Paket plplot-driver-cairo fehlt).";
    showHint(hint);
    startDrawing();
}

// Shows the last picture; a window of another size gets a new one.
gboolean onExpose(GtkWidget* area, GdkEventExpose*, gpointer)
{
    cairo_t* context = gdk_cairo_create(gtk_widget_get_window(area));
    cairo_set_source_rgb(context, 1, 1, 1);
    cairo_paint(context);
    if (picture) {
        cairo_set_source_surface(context, picture, 0, 0);
        cairo_paint(context);
    }
    cairo_destroy(context);
    GtkAllocation size;
    gtk_widget_get_allocation(area, &size);
    if (!picture || cairo_image_surface_get_width(picture) != size.width ||
        cairo_image_surface_get_height(picture) != size.height)
        startDrawing();
    return TRUE;
}

} // namespace

DiagramOptions& diagramOptions()
{
    return options;
}

namespace {

// The diagram opens where it covers neither the program nor the protocol window, when the
// screen has room for that.
void placeBesideTheTable(GtkWidget* widget)
{
    std::vector<PlaceRect> taken;
    for (int window : {WinProgram, WinProtocol}) {
        GtkWidget* other = windowWidget(window);
        if (!other || !windowVisible(window))
            continue;
        PlaceRect rect;
        gtk_window_get_position(GTK_WINDOW(other), &rect.x, &rect.y);
        gtk_window_get_size(GTK_WINDOW(other), &rect.width, &rect.height);
        taken.push_back(rect);
    }
    GdkRectangle area;
    gdk_screen_get_monitor_geometry(gdk_screen_get_default(), 0, &area);
    int width = 0, height = 0;
    gtk_window_get_size(GTK_WINDOW(widget), &width, &height);
    if (auto place = freePlace({area.x, area.y, area.width, area.height}, taken, width, height))
        gtk_window_move(GTK_WINDOW(widget), place->first, place->second);
}

} // namespace

void createDiagramWindow()
{
    placeBesideTheTable(createWindowFrame(WinDiagram));
    GtkWidget* fixed = windowFixed(WinDiagram);
    choice(fixed, IdDgmAlong, alongChoices, options.alongRows ? 0 : 1, 5, 5, 140,
           "Reihen entlang der Tabellenzeilen (z.B. eine Messreihe) oder die Spalten hinab (z.B. ein Datenlogger)");
    field(fixed, IdDgmX, "X:", std::to_string(options.x), 150, 6, 20, 40,
          "Zeile bzw. Spalte der X-Werte; 0 = laufende Nummer des Punktes");
    field(fixed, IdDgmY, "Y:", lineNumbersText(options.y), 220, 6, 20, 80,
          "Zeilen bzw. Spalten der Y-Werte, ';'-getrennt, z.B. 9;11. Benannt nach ihrer ersten Zelle.");
    field(fixed, IdDgmY2, "Y2:", options.y2 ? std::to_string(options.y2) : "", 330, 6, 26, 40,
          "Zeile bzw. Spalte auf der zweiten Y-Achse (rechts); leer = keine");
    choice(fixed, IdDgmStyle, styleChoices, static_cast<int>(options.style), 406, 5, 150,
           "Darstellung der Reihen");
    putButton(fixed, WinDiagram, IdDgmSave, "Diagramm speichern...", 562, 5, 170, 26, false);
    gtk_widget_set_tooltip_text(controlWidget(WinDiagram, IdDgmSave),
                                "Speichert das Diagramm als PNG, SVG oder PDF (Typ nach der Dateiendung)");
    check(fixed, IdDgmLogX, "X log.", options.logX, 5, 36, 65, "Logarithmische X-Achse; Werte <= 0 entfallen");
    check(fixed, IdDgmLogY, "Y log.", options.logY, 72, 36, 65, "Logarithmische Y-Achsen; Werte <= 0 entfallen");
    check(fixed, IdDgmFixed, "Fester Bereich:", options.fixedRange, 140, 36, 120,
          "Feste Grenzen für X und die Y-Achsen statt des Bereichs der Daten");
    field(fixed, IdDgmXMin, "X von", formatDecimal(options.xMin), 262, 36, 40, 55, "Kleinstes X");
    field(fixed, IdDgmXMax, "bis", formatDecimal(options.xMax), 361, 36, 24, 55, "Größtes X");
    field(fixed, IdDgmYMin, "Y von", formatDecimal(options.yMin), 444, 36, 40, 55, "Kleinstes Y (links)");
    field(fixed, IdDgmYMax, "bis", formatDecimal(options.yMax), 543, 36, 24, 55, "Größtes Y (links)");
    field(fixed, IdDgmY2Min, "Y2", formatDecimal(options.y2Min), 630, 36, 18, 42,
          "Kleinstes Y der zweiten Achse (rechts); kein Bereich: sie folgt den Daten");
    field(fixed, IdDgmY2Max, "-", formatDecimal(options.y2Max), 694, 36, 4, 42, "Größtes Y der zweiten Achse (rechts)");
    GtkWidget* hint = putControl(fixed, WinDiagram, IdDgmHint, gtk_label_new(""), 5, 64, 730, 24);
    gtk_misc_set_alignment(GTK_MISC(hint), 0.0f, 0.5f);
    GtkWidget* area = putControl(fixed, WinDiagram, IdDgmPlot, gtk_drawing_area_new(), 0, controlsHeight, 740,
                                 520 - controlsHeight);
    g_signal_connect(area, "expose-event", G_CALLBACK(onExpose), nullptr);
    // A diagram shown again shows the table as it is now.
    g_signal_connect(area, "map", G_CALLBACK(+[](GtkWidget*, gpointer) { redraw(); }), nullptr);
    registerShortcuts(WinDiagram);
    diagramControlChanged();
}

void relayoutDiagramWindow()
{
    auto [width, height] = innerSize(WinDiagram);
    placeControl(WinDiagram, IdDgmHint, keepValue, keepValue, width - 10, keepValue);
    placeControl(WinDiagram, IdDgmPlot, keepValue, keepValue, width, height - controlsHeight);
}

void diagramControlChanged()
{
    if (!controlExists(WinDiagram, IdDgmPlot))
        return;
    options.alongRows = chosenIndex(WinDiagram, IdDgmAlong) != 1;
    options.x = fieldLine(IdDgmX);
    options.y = lineNumbers(controlText(WinDiagram, IdDgmY));
    options.y2 = fieldLine(IdDgmY2);
    int style = chosenIndex(WinDiagram, IdDgmStyle);
    options.style = style < 0 ? DiagramStyle::Both : static_cast<DiagramStyle>(style);
    options.logX = toggleState(WinDiagram, IdDgmLogX);
    options.logY = toggleState(WinDiagram, IdDgmLogY);
    bool fixing = toggleState(WinDiagram, IdDgmFixed) && !options.fixedRange;
    options.fixedRange = toggleState(WinDiagram, IdDgmFixed);
    // A fixed range starts as the range the data have now, not somewhere that hides them.
    if (fixing && shown.drawable()) {
        takeShownRange(options, shown);
        for (auto [id, value] : {std::pair{IdDgmXMin, options.xMin}, std::pair{IdDgmXMax, options.xMax},
                                 std::pair{IdDgmYMin, options.yMin}, std::pair{IdDgmYMax, options.yMax},
                                 std::pair{IdDgmY2Min, options.y2Min}, std::pair{IdDgmY2Max, options.y2Max}})
            setControlText(WinDiagram, id, formatDecimal(value));
    }
    options.xMin = fieldNumber(IdDgmXMin, options.xMin);
    options.xMax = fieldNumber(IdDgmXMax, options.xMax);
    options.yMin = fieldNumber(IdDgmYMin, options.yMin);
    options.yMax = fieldNumber(IdDgmYMax, options.yMax);
    options.y2Min = fieldNumber(IdDgmY2Min, options.y2Min);
    options.y2Max = fieldNumber(IdDgmY2Max, options.y2Max);
    for (int id : {IdDgmXMin, IdDgmXMax, IdDgmYMin, IdDgmYMax, IdDgmY2Min, IdDgmY2Max})
        setControlEnabled(WinDiagram, id, options.fixedRange);
    redraw();
}

void diagramTableChanged()
{
    table.stale = true;
    tableChanged = true;
    if (windowVisible(WinDiagram) && !timerActive(WinDiagram, TimerDiagram))
        addTimer(WinDiagram, TimerDiagram, followMs);
}

void diagramCellWritten(int row, int column, const std::string& text)
{
    table.written(row, column, text);
    tableChanged = true;
    if (windowVisible(WinDiagram) && !timerActive(WinDiagram, TimerDiagram))
        addTimer(WinDiagram, TimerDiagram, followMs);
}

void diagramTick()
{
    removeTimer(WinDiagram, TimerDiagram);
    if (tableChanged && windowVisible(WinDiagram))
        redraw();
}

const Diagram& shownDiagram()
{
    return shown;
}

Diagram currentDiagram()
{
    if (protocol.protocolMode != ModeTable || !controlExists(WinProtocol, IdPtkList))
        table.reset(0, 0);
    else if (table.stale)
        table.reset(rowCount(WinProtocol, IdPtkList) - 1, protocolColumnCount() - 1);
    return buildDiagram(
        options, [](int row, int column) { return table.at(row, column); }, table.rows, table.columns);
}

bool writeTableDiagram(const std::string& path, std::string& reason)
{
    return writeDiagram(path, savedWidth, savedHeight, currentDiagram(), reason);
}

void saveDiagramAs()
{
    std::string path = fileDialog(WinDiagram, true, "Diagramm speichern...", "Diagramm (*.png, *.svg, *.pdf)|*.*",
                                  logDir + "Diagramm.png");
    if (path.empty())
        return;
    // Without a type of its own, a diagram is a PNG picture.
    if (!plotFileType(path))
        path += ".png";
    if (fileExists(path) && messageBox(WinDiagram, "Quirlo", "Datei existiert bereits!\nÜberschreiben?", IconQuestion,
                                       ButtonsYesNo) != ResultYes)
        return;
    // The file shows what the window shows, at the window's size unless that is too small.
    GtkAllocation size;
    gtk_widget_get_allocation(controlWidget(WinDiagram, IdDgmPlot), &size);
    bool fits = size.width >= 320 && size.height >= 240;
    std::string reason;
    if (!writeDiagram(path, fits ? size.width : savedWidth, fits ? size.height : savedHeight, currentDiagram(),
                      reason))
        messageBox(WinDiagram, "Quirlo - Diagramm", notSavedText(path, reason), IconWarning, ButtonsOk);
}
