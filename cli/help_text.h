// The help text, wrapped to the width of the terminal.
#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>
#include <string>

// The columns of the terminal on standard output; else $COLUMNS when it is a number; else 80.
// Never less than 40, so that the descriptions keep a column of their own.
std::size_t HelpColumns();

// The text with each line longer than `columns` (counted in characters) broken at spaces; the
// lines it continues start under the first word of its description (after the option's names)
// or, for a plain paragraph, at its own indent. A word longer than the line stays whole.
std::string WrapHelpText(const std::string& text, std::size_t columns);

// CLI11's help, wrapped.
class CWrappingFormatter : public CLI::Formatter {
 public:
  explicit CWrappingFormatter(std::size_t columns) : m_columns(columns) {}
  std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;

 private:
  std::size_t m_columns;
};
