// The pages of a clerk's day and of the heavy page, with the weight of real ones: ledgers of
// thousands of rows, an entry form, a report drawn by script, and the script an application
// ships with them.
#pragma once

#include <string>

namespace delvaronte::bench {

// About `bytes` of script that defines what an application bundles (formatters, validators,
// tables of accounts) and runs a little of it at start.
std::string applicationScript(size_t bytes);
// About `bytes` of an application's style sheet: rules for its many kinds of rows and fields.
std::string applicationStyle(size_t bytes);

// A ledger of that many rows with a search field that filters it; the page loads `script` and
// runs `tail` (a script body) once loaded.
std::string ledgerPage(int rows, const std::string& script, const std::string& tail);
// An entry form of some forty fields.
std::string entryFormPage(const std::string& script, const std::string& tail);
// An entry: account, label, amount and some forty fields of its lines, in a form; the page
// runs `tail` once loaded.
std::string accountEntryPage(const std::string& tail);
// A report: a chart of 2,000 points drawn on a canvas by script, and a summary table.
std::string reportPage(const std::string& script, const std::string& tail);

// A frameset of two frames with images; in the first, a magenta block the screen is watched
// for; the top page runs `tail` once loaded.
std::string framesetPage(const std::string& tail);
std::string framePage(int frame);
// The first frame's page on its own: an entry form whose load handler (`tail`) runs once its
// images are there.
std::string formPage(const std::string& tail);
// A small PNG of a solid colour.
std::string pngImage();

}  // namespace delvaronte::bench
