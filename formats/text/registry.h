// The format table's derived strings and the lists of formats each job offers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/uglobal.h"

// Derived strings of the rows, built when the program starts (building them
// again changes nothing).
extern std::string FormatNames[];
extern std::string FormatIds[];
extern std::string DialogFilters[];
void BuildFormatStrings();

// selector 0 compares with FormatNames, 1 with FormatIds; 0 (XQF) when none matches.
int FormatIndexOf(const std::string& text, int selector);

// The ids of the rows that offer `offer`, joined by separator and, before the
// last, by last: upper-case as the seven-argument form shows them, else lower-case.
std::string FormatIdList(uint8_t offer, std::string_view separator, std::string_view last,
                         bool upper);

// The README's format table (Markdown), one line per row.
std::string FormatTable();

// How a source of the format is read (None for a number outside the table).
inline TSourceKind SourceKindOf(uint32_t format) {
  return format < static_cast<uint32_t>(kFormatCount) ? FileTypes[format].Source
                                                      : TSourceKind::None;
}

// The log line that opens the reading of a source file, a library or a record.
std::string ReadingLine(uint32_t format, const std::string& path);

// The rows that offer `offer` (a TJobOffer bit), in row order.
std::vector<int> RowsOffering(uint8_t offer);
