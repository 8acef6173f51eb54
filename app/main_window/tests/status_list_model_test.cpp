#include "app/main_window/status_list_model.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <QBrush>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace pellavane {
namespace {

struct Call
{
    std::time_t t;
    bool connected;
};

class StatusListModelTest : public ::testing::Test
{
protected:
    std::vector<Call> calls;
    StatusListModel model{[this](std::time_t t, bool connected) {
        calls.push_back({t, connected});
        return std::to_string(t) + (connected ? " up" : " down");
    }};
};

TEST_F(StatusListModelTest, RowsKeepTheirAppendOrderAndAreFormattedOnlyWhenShown)
{
    model.AppendStatusRow(1000, true);
    model.AppendStatusRow(2000, false);
    model.AppendStatusRow(1500, true);
    EXPECT_TRUE(calls.empty());

    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.index(0).data().toString(), "1000 up");
    EXPECT_EQ(model.index(1).data().toString(), "2000 down");
    EXPECT_EQ(model.index(2).data().toString(), "1500 up");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].t, 2000);
    EXPECT_FALSE(calls[1].connected);
    EXPECT_FALSE(model.index(3).isValid());
    EXPECT_FALSE(model.data(model.index(0), Qt::EditRole).isValid());
}

TEST_F(StatusListModelTest, AppendAnnouncesOneRowAtTheEnd)
{
    model.AppendStatusRow(1, true);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.AppendStatusRow(2, false);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 1);
    EXPECT_EQ(inserted[0][2].toInt(), 1);
}

TEST_F(StatusListModelTest, RemoveAllRowsEmptiesTheListAndAppendingStartsAgainAtTheTop)
{
    for (int i = 0; i < 70000; ++i)
        model.AppendStatusRow(i, i % 2 == 0);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.RemoveAllRows();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.Store().MemoryBytes(), 0u);

    model.AppendStatusRow(42, false);
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.RowText(0), "42 down");
}

TEST_F(StatusListModelTest, HeadingIsTheOnlyHeaderText)
{
    QSignalSpy changed(&model, &QAbstractItemModel::headerDataChanged);
    model.SetHeading("Internet Connection Status");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Internet Connection Status");
    EXPECT_FALSE(model.headerData(0, Qt::Vertical).isValid());
    EXPECT_EQ(static_cast<QAbstractItemModel&>(model).columnCount(), 1);
}

TEST_F(StatusListModelTest, RowsCannotBeEditedInPlace)
{
    model.AppendStatusRow(1, true);
    EXPECT_FALSE(model.flags(model.index(0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.flags(model.index(0)) & Qt::ItemIsSelectable);
}

TEST_F(StatusListModelTest, DisconnectedRowsAloneAreRed)
{
    model.AppendStatusRow(1, true);
    model.AppendStatusRow(2, false);
    EXPECT_FALSE(model.index(0).data(Qt::ForegroundRole).isValid());
    EXPECT_EQ(model.index(1).data(Qt::ForegroundRole).value<QBrush>().color(), kDisconnectedColour);
}

TEST(StatusListModelFormatTest, RowsReadAsTheStatusLinesTheRecorderWrites)
{
    StatusListModel model(StatusLine);
    const std::time_t t = 1'700'000'000;
    model.AppendStatusRow(t, true);
    model.AppendStatusRow(t + 86'400, false);
    EXPECT_EQ(model.RowText(0).toStdString(), StatusLine(t, true));
    EXPECT_EQ(model.index(1).data().toString().toStdString(), StatusLine(t + 86'400, false));
    EXPECT_TRUE(model.RowText(1).endsWith(" Internet Connection Status: Disconnected"));
}

TEST(CompactStatusStoreTest, KeepsTimeAndStatusExactlyAcrossChunksAndTheWholeClockRange)
{
    CompactStatusStore store;
    const std::time_t low = -(std::numeric_limits<std::int64_t>::max() / 2) - 1;
    const std::time_t high = std::numeric_limits<std::int64_t>::max() / 2;
    store.Append(low, true);
    store.Append(-1, false);
    store.Append(high, true);
    for (std::size_t i = store.Size(); i < CompactStatusStore::kChunkRows + 2; ++i)
        store.Append(static_cast<std::time_t>(1'700'000'000 + i), i % 3 == 0);

    EXPECT_EQ(store.TimeAt(0), low);
    EXPECT_TRUE(store.ConnectedAt(0));
    EXPECT_EQ(store.TimeAt(1), -1);
    EXPECT_FALSE(store.ConnectedAt(1));
    EXPECT_EQ(store.TimeAt(2), high);
    const std::size_t edge = CompactStatusStore::kChunkRows;
    for (std::size_t row : {edge - 1, edge, edge + 1}) {
        EXPECT_EQ(store.TimeAt(row), static_cast<std::time_t>(1'700'000'000 + row));
        EXPECT_EQ(store.ConnectedAt(row), row % 3 == 0);
    }
    EXPECT_THROW(store.TimeAt(store.Size()), std::out_of_range);
}

TEST(CompactStatusStoreTest, TimeBeyondSixtyThreeBitsIsRefusedWithoutAddingARow)
{
    CompactStatusStore store;
    EXPECT_THROW(store.Append(std::numeric_limits<std::time_t>::max(), true), std::out_of_range);
    EXPECT_EQ(store.Size(), 0u);

    StatusListModel model([](std::time_t, bool) { return std::string(); });
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    EXPECT_THROW(model.AppendStatusRow(std::numeric_limits<std::time_t>::min(), false), std::out_of_range);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(inserted.count(), 0);
}

TEST(CompactStatusStoreTest, AMillionRowsTakeLittleMoreThanEightBytesEach)
{
    CompactStatusStore store;
    constexpr std::size_t kRows = 1'000'000;
    for (std::size_t i = 0; i < kRows; ++i)
        store.Append(static_cast<std::time_t>(i), true);
    const double perRow = static_cast<double>(store.MemoryBytes()) / kRows;
    EXPECT_GE(perRow, 8.0);
    EXPECT_LT(perRow, 8.6);
}

} // namespace
} // namespace pellavane
