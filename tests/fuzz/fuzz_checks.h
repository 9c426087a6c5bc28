// What every input of the random driver and the coverage-guided fuzz targets must satisfy. Each
// check returns "" or what went wrong; none may crash, hang or trip a sanitizer.
#pragma once

#include <string>

// Valid UTF-8, NUL bytes allowed.
bool validUtf8(std::string text);
// The evaluator ends in a value or an error, within a second, in both of its modes.
std::string checkExpression(const std::string& input);
// The preparation of one row ends with a pause in range, within a second.
std::string checkRow(const std::string& type, const std::string& blank, const std::string& parameters,
                     bool singleRow, bool quiet);
// Any file's bytes read as Quirlo.ini, as a *.cml, a *.run and a "RunList" text; what the list
// readers read is written and read again to the same rows.
std::string checkFiles(const std::string& input);
// Any file's bytes read as a *.set file, and the form it gives is written and read again to the same
// file; a code list keeps every character but NUL.
std::string checkSetFile(const std::string& input);
// Any bytes convert to valid UTF-8, and Latin-1 survives the way there and back.
std::string checkText(const std::string& input);
// Any bytes as a table (lines of tab-separated cells) and as the diagram's options (the first
// line, read as its Quirlo.ini values): the diagram's points and ranges are finite, every range
// has room, and a drawing's points are no more than the diagram's.
std::string checkDiagram(const std::string& input);
// Any bytes as a device's stream (the first two choose the in-terminator and the length limit, the
// next ones where the reads end): the lines do not depend on where the reads end, each is valid
// text of at most inMaxSigns + 1 characters, and a flood gives few of them.
std::string checkStreamLines(const std::string& input);
// The arguments (the input split at NUL bytes) are refused or give device names that cannot
// leave /dev or reach a shell, paths and network addresses without control characters.
std::string checkStartOptions(const std::string& input);
