#include "app/desktop/qt_file_dialog.h"

#include <gtest/gtest.h>

namespace pellavane {
namespace {

TEST(QtFileDialogFilter, TurnsBarSeparatedPairsIntoQtFilters)
{
    EXPECT_EQ(QtFileDialogFilter("Text File (*.txt)|*.txt|"), "Text File (*.txt)");
    EXPECT_EQ(QtFileDialogFilter("Logs|*.txt;*.log|All (*)|*|"), "Logs (*.txt *.log);;All (*)");
    EXPECT_EQ(QtFileDialogFilter(""), "");
}

} // namespace
} // namespace pellavane
