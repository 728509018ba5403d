#include <gtest/gtest.h>

#include "platform/CommandLine.h"

namespace onarim {
namespace {

using Words = std::vector<std::string>;

TEST(CommandLineTest, SplitsByTheWindowsRules) {
    struct Case {
        const char* line;
        Words words;
    } cases[] = {
        {"", {}},
        {" \t ", {}},
        {"prog", {"prog"}},
        {"  prog  a \t b  ", {"prog", "a", "b"}},
        // The program: quotes switch quoting and go, backslashes are plain.
        {R"("/opt/Fire Bird/bin/gfix" -V)", {"/opt/Fire Bird/bin/gfix", "-V"}},
        {R"("C:\dir\" a)", {R"(C:\dir\)", "a"}},
        {R"(C:\"Program Files"\x.exe a)", {R"(C:\Program Files\x.exe)", "a"}},
        {R"(C:\a\\"b c)", {R"(C:\a\\b c)"}},
        // The arguments.
        {R"(p "a b" c)", {"p", "a b", "c"}},
        {R"(p a"b c"d)", {"p", "ab cd"}},
        {R"(p a\b a\\b a\\\b)", {"p", R"(a\b)", R"(a\\b)", R"(a\\\b)"}},
        {R"(p a\"b)", {"p", R"(a"b)"}},
        {R"(p a\\"b c")", {"p", R"(a\b c)"}},
        {R"(p a\\\"b)", {"p", R"(a\"b)"}},
        {R"(p a\\\\"b")", {"p", R"(a\\b)"}},
        {R"(p "a\\" b)", {"p", R"(a\)", "b"}},
        {R"(p "C:\Program Files\\")", {"p", R"(C:\Program Files\)"}},
        {R"(p \"a\")", {"p", R"("a")"}},
        {R"(p "a""b")", {"p", R"(a"b)"}},
        {R"(p """")", {"p", R"(")"}},
        {R"(p "" "")", {"p", "", ""}},
        {R"(p ""a)", {"p", "a"}},
        {R"(p "open end)", {"p", "open end"}},
        {"p\ta\t\"b\tc\"", {"p", "a", "b\tc"}},
        {R"(p a\)", {"p", R"(a\)"}},
        {R"(/usr/bin/gbak -B -O -USER SYSDBA -PASSWORD şifre "/veri/Veri Tabanı.fdb" "/veri/BACKUP.GBK")",
         {"/usr/bin/gbak", "-B", "-O", "-USER", "SYSDBA", "-PASSWORD", "şifre",
          "/veri/Veri Tabanı.fdb", "/veri/BACKUP.GBK"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitCommandLine(c.line), c.words) << c.line;
    }
}

TEST(CommandLineTest, ResolveWithoutAnUnquotedPathWithBlanksIsPlainSplitting) {
    for (const char* line : {"sh -c \"exit 0\"", "\"/bin/sh\" a", "/no/such dir/prog a", ""}) {
        EXPECT_EQ(ResolveCommandLine(line), SplitCommandLine(line)) << line;
    }
}

} // namespace
} // namespace onarim

namespace onarim {
namespace {

// Whatever an argument holds, quoting it and splitting the line gives it back unchanged.
TEST(QuoteCommandLineArgumentTest, SplittingTheQuotedArgumentGivesItBack) {
    const std::string arguments[] = {
        "plain",
        "",
        "with blank",
        "/srv/Veri Tabanı/Şirket 1.fdb",
        "a\"b",
        "\"",
        "trailing\\",
        "trailing two\\\\",
        "back\\\"slash quote",
        "tab\there",
        "C:\\dir with blank\\",
        "\\\\server\\share",
    };
    for (const std::string& argument : arguments) {
        for (bool always : {false, true}) {
            const std::string quoted = QuoteCommandLineArgument(argument, always);
            EXPECT_EQ(SplitCommandLine("prog " + quoted),
                      (std::vector<std::string>{"prog", argument}))
                << "argument [" << argument << "] quoted as [" << quoted << "]";
        }
    }
    EXPECT_EQ(QuoteCommandLineArgument("masterkey"), "masterkey");
    EXPECT_EQ(QuoteCommandLineArgument("/db/x.fdb", true), "\"/db/x.fdb\"");
}

} // namespace
} // namespace onarim
