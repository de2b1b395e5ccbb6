#pragma once
// The apostrophe that keeps a cell from running as a spreadsheet formula, shared by the CSV
// writer and reader (see tableau_csv.h for the rule).

#include <cstddef>
#include <string_view>

inline bool declencheFormuleCsv(char c) {
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

// A text a spreadsheet would run, after its leading apostrophes if any.
inline bool aMarquerCsv(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && t[i] == '\'') ++i;
    return i < t.size() && declencheFormuleCsv(t[i]);
}
