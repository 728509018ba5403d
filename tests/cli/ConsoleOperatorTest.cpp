#include <cstdio>

#include <gtest/gtest.h>

#include "cli/ConsoleOperator.h"

namespace onarim {
namespace {

// A stream over a text, and one that collects what is written to it.
std::FILE* Input(const std::string& text) {
    std::FILE* stream = tmpfile();
    std::fputs(text.c_str(), stream);
    std::rewind(stream);
    return stream;
}

std::string Contents(std::FILE* stream) {
    std::fflush(stream);
    std::rewind(stream);
    std::string text;
    for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream)) {
        text += static_cast<char>(c);
    }
    return text;
}

TEST(ConsoleOperatorTest, PasswordIsOneLineWithoutItsEnd) {
    struct Case {
        std::string input;
        std::string password;
    } cases[] = {
        {"masterkey\nsecond line\n", "masterkey"},
        {"crlf\r\n", "crlf"},
        {"no line end", "no line end"},
        {"with blank \"quote\"\n", "with blank \"quote\""},
        {"\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::FILE* input = Input(c.input);
        std::FILE* output = tmpfile();
        TConsoleOperator console(input, output, false);
        EXPECT_EQ(console.ShowPasswordDialog(), c.password) << c.input;
        EXPECT_EQ(Contents(output), "") << "a piped password is not prompted for";
        std::fclose(input);
        std::fclose(output);
    }
}

TEST(ConsoleOperatorTest, MessagesCarryTheirCaptionWithThisPlatformsLineBreaks) {
    std::FILE* output = tmpfile();
    TConsoleOperator console(stdin, output, false);
    console.ShowMessage("Veri Tabanı düzeltme işlemi tamamlanamadı...\r\nLütfen BELVANOX Merkez "
                        "ile irtibata geçiniz...",
                        "Bilgi", TMessageIcon::Information, "");
    EXPECT_EQ(Contents(output), "Bilgi: Veri Tabanı düzeltme işlemi tamamlanamadı...\nLütfen "
                                "BELVANOX Merkez ile irtibata geçiniz...\n");
    std::fclose(output);
}

} // namespace
} // namespace onarim
