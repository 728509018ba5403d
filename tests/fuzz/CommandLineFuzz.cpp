// Drives the command-line splitter and its inverse quoting.
//
// Properties:
// - splitting any text reads nothing past it and invents nothing: the words together are never
//   longer than the text;
// - the words a text splits into, written again (the program between double quotes, each
//   argument through QuoteCommandLineArgument), split into the same words;
// - for any argument list (arguments of any bytes but NUL, empty ones too) a command line of a
//   program and the quoted arguments splits into exactly that program and list, with
//   QuoteCommandLineArgument quoting only where needed or always; and ResolveCommandLine gives
//   the same list after a program path that is written unquoted with blanks in it.

#include <filesystem>
#include <vector>

#include "FuzzCheck.h"
#include "platform/CommandLine.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

using fuzz::Check;
using Words = std::vector<std::string>;

std::string Joined(const std::string& program, const Words& arguments, bool always) {
    std::string line = program;
    for (const std::string& argument : arguments) {
        line += ' ' + QuoteCommandLineArgument(argument, always);
    }
    return line;
}

void SplitAnyText(std::string_view text) {
    const Words words = SplitCommandLine(text);
    std::size_t total = 0;
    for (const std::string& word : words) {
        total += word.size();
    }
    Check(total <= text.size(), "the words are never longer than the text");
    if (words.empty()) {
        return;
    }
    // The program word never holds a double quote; its backslashes are plain.
    const Words arguments(words.begin() + 1, words.end());
    for (bool always : {false, true}) {
        Check(SplitCommandLine(Joined('"' + words[0] + '"', arguments, always)) == words,
              "the words written again split into the same words");
    }
}

// An executable whose path has blanks in it, for ResolveCommandLine to find.
const std::string& ProgramWithBlanks() {
    static const testing::ScratchDirectory directory(
        testing::ScratchDirectory::Kind::WithBlanksAndTurkishLetters);
    static const std::string program = [] {
        const auto path = directory.WriteFile("Fire Bird/bin/gfix", "#!/bin/sh\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path.string();
    }();
    return program;
}

void QuoteAndSplitBack(fuzz::FuzzInput& input, bool always) {
    Words arguments;
    while (!input.Empty()) {
        arguments.push_back(input.Until('\0'));
    }
    Words expected{"/usr/bin/gbak"};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    Check(SplitCommandLine(Joined(expected[0], arguments, always)) == expected,
          "splitting the quoted arguments gives them back");

    expected[0] = ProgramWithBlanks();
    Check(ResolveCommandLine(Joined(expected[0], arguments, always)) == expected,
          "after an unquoted program path with blanks, the quoted arguments come back");
}

} // namespace
} // namespace onarim

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    onarim::fuzz::FuzzInput input(data, size);
    const std::uint8_t mode = input.Byte();
    if (mode % 2 == 0) {
        onarim::SplitAnyText(input.Rest());
    } else {
        onarim::QuoteAndSplitBack(input, mode & 2);
    }
    return 0;
}
