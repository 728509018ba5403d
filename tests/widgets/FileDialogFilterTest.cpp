#include <gtest/gtest.h>

#include "widgets/FileDialogFilter.h"

namespace onarim {
namespace {

TEST(FileDialogFilterTest, PairsBecomeQtFiltersMatchingNamesWithoutADot) {
    struct Case {
        QString filter;
        QStringList qtFilters;
    } cases[] = {
        {"All files (*.*)|*.*", {"All files (*.*) (*)"}},
        {"Databases|*.fdb;*.gdb|All|*.*", {"Databases (*.fdb *.gdb)", "All (*)"}},
        {"Only a description", {"Only a description (*)"}},
        {"", {"(*)"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QtNameFilters(c.filter), c.qtFilters) << c.filter.toStdString();
    }
}

} // namespace
} // namespace onarim
