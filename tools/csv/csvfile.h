// The text of the export file: one quoted cell per field, fields separated
// by ",", lines ended by CR LF. Pure: no <windows.h>.
//
// A double quote inside a value is doubled (RFC 4180), so that a value such
// as 6" display reads back as one field. A cell that a spreadsheet would run
// as a formula is defused with a leading apostrophe: a value beginning with
// "=", "@", a tab or a carriage return, or with "+" or "-" followed by
// anything but digits, blanks and the characters ().-/ (a telephone number
// such as +1 555 0100 stays as it is). Directory values are written by other
// users; whoever opens the export must not run their formulas.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orrel {
namespace csv {

// True for the syntaxes whose values are offered for export: 1 to 8, 10,
// 11, 12, 14, 15, 18, 19, 20 and 22 to 27.
bool IsExportableSyntax(uint32_t syntax) noexcept;

// True when a spreadsheet would take the text for a formula.
bool NeedsDefusing(const std::string& text) noexcept;

// Appends one quoted, defused cell to line.
void AppendCell(std::string& line, const std::string& text);

// Appends a whole line: the cells quoted, separated by ",", then CR LF.
void AppendLine(std::string& out, const std::vector<std::string>& cells);

}  // namespace csv
}  // namespace orrel
