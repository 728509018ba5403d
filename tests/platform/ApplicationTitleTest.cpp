#include <gtest/gtest.h>

#include "platform/ApplicationTitle.h"

namespace onarim {
namespace {

TEST(ApplicationTitleTest, FileNameUpToFirstFullStopRestLowerCased) {
    struct Case {
        const char* path;
        const char* title;
    } cases[] = {
        {"/usr/bin/onarim", "onarim"},
        {"C:/Program Files/Onarim/ONARIM.EXE", "Onarim"},
        {"/opt/x.y/Repair.Tool.bin", "Repair"},
        {"relative/dir/MiXeD_Case-1", "Mixed_case-1"},
        {"ONARIM", "Onarim"},
        {"/usr/bin/ÇAĞRI.exe", "Çağri"}, // Turkish capitals: first kept, the rest lowered
        {"/usr/bin/ŞİFRE", "Şifre"},
        {"/usr/bin/.hidden", ""},
        {"/usr/bin/", ""},
        {"", ""},
        {"/tmp/bad\xFFNAME", "bad\xFFname"}, // bytes that are not UTF-8 pass unchanged
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ApplicationTitleFromPath(c.path), c.title) << c.path;
    }
}

TEST(ApplicationTitleTest, TakenFromThisProgramsExecutable) {
    EXPECT_EQ(ApplicationTitle(), "platform_tests");
}

} // namespace
} // namespace onarim
