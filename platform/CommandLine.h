#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace onarim {

// Splits a command line into the program and its arguments by the rules of the Microsoft C
// runtime, which CommandLineToArgvW shares for the arguments. Blanks are spaces and tabs.
//
// The program (the first word, after leading blanks): ends at the first blank outside double
// quotes; each double quote switches quoting on or off and is dropped; backslashes are plain
// characters ("C:\Program Files\x" quoted stays as it is).
//
// The arguments: separated by blanks outside quotes; inside an argument
//   - 2n backslashes before a double quote give n backslashes, and the quote switches quoting;
//   - 2n+1 backslashes before a double quote give n backslashes and a literal quote;
//   - backslashes not before a double quote are plain characters;
//   - two double quotes inside quotes give one literal quote, and quoting goes on;
//   - "" on its own is an empty argument.
//
// An empty or blank command line gives no words. Nothing is ever cut: the words are as long as
// the command line makes them.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The program and arguments that a command line starts. As SplitCommandLine, except for a
// program path written unquoted with blanks in it, which the system resolves as it does on
// Windows: the blank-ended prefixes of the command line are tried from the shortest on, and the
// first one that holds a slash and names an executable file is the program; the arguments are
// split from what follows it. So "/opt/Fire Bird/bin/gfix -V a.fdb" starts
// "/opt/Fire Bird/bin/gfix" with "-V" and "a.fdb". When no prefix qualifies, the first word is
// the program, as SplitCommandLine has it.
std::vector<std::string> ResolveCommandLine(std::string_view commandLine);

// Quotes one argument so that SplitCommandLine gives it back as exactly one argument with
// exactly these bytes. An argument without blanks, tabs, line breaks or double quotes is
// returned unchanged unless `always` is set; otherwise it is enclosed in double quotes, with an
// embedded quote written as \" and the backslashes before a quote (or before the closing quote)
// doubled.
std::string QuoteCommandLineArgument(const std::string& argument, bool always = false);

} // namespace onarim
