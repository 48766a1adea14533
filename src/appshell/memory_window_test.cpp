#include "appshell/memory_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "textcore/codepage.h"

namespace qoravel {
namespace {

TEST(MemoryWindowTest, StartsWithTheWindowsInitialState) {
  MemoryWindow window;
  EXPECT_EQ(window.GetControlText(Control::编辑框_搜索), "林沐川"_gbk);
  EXPECT_EQ(window.GetControlText(Control::编辑框_保存), "");
  EXPECT_FALSE(window.IsVisible(Control::透明标签3));
  EXPECT_TRUE(window.IsVisible(Control::编辑框_搜索));
  EXPECT_EQ(window.RowCount(), 0);
  EXPECT_EQ(window.SelectedRow(), -1);
}

TEST(MemoryWindowTest, MissingRowsReadEmptyAndIgnoreWrites) {
  MemoryWindow window;
  for (int column = 0; column < kColumnCount; ++column) {
    EXPECT_EQ(window.GetCellText(-1, column), "");
    EXPECT_EQ(window.GetCellText(0, column), "");
  }
  window.SetCellText(0, 0, "x");
  window.SetCellText(-1, 0, "x");
  EXPECT_EQ(window.RowCount(), 0);

  ASSERT_EQ(window.InsertRow(), 0);
  window.SetCellText(0, kColumnCount, "outside");
  window.SetCellText(0, -1, "outside");
  window.SetCellText(1, 0, "next row");
  for (int column = 0; column < kColumnCount; ++column)
    EXPECT_EQ(window.GetCellText(0, column), "");
  EXPECT_EQ(window.GetCellText(0, kColumnCount), "");
}

TEST(MemoryWindowTest, InsertRowReturnsTheRowCountAndRestartsAfterClear) {
  MemoryWindow window;
  for (int expected = 0; expected < 3; ++expected) EXPECT_EQ(window.InsertRow(), expected);
  window.SetCellText(2, 6, "lq");
  EXPECT_EQ(window.GetCellText(2, 6), "lq");
  window.SelectRow(1);
  EXPECT_EQ(window.SelectedRow(), 1);

  window.ClearRows();
  EXPECT_EQ(window.RowCount(), 0);
  EXPECT_EQ(window.SelectedRow(), -1);
  EXPECT_EQ(window.GetCellText(2, 6), "");
  EXPECT_EQ(window.InsertRow(), 0);
  EXPECT_EQ(window.GetCellText(0, 6), "") << "a new row starts with empty cells";
}

TEST(MemoryWindowTest, SelectingOutsideTheListClearsTheSelection) {
  MemoryWindow window;
  window.InsertRow();
  window.SelectRow(0);
  window.SelectRow(5);
  EXPECT_EQ(window.SelectedRow(), -1);
  window.SelectRow(0);
  window.SelectRow(-1);
  EXPECT_EQ(window.SelectedRow(), -1);
}

TEST(MemoryWindowTest, LongCellTextsComeBackWhole) {
  MemoryWindow window;
  window.InsertRow();
  const Text longUrl(100000, 'u');
  window.SetCellText(0, 3, longUrl);
  EXPECT_EQ(window.GetCellText(0, 3), longUrl);
}

TEST(MemoryWindowTest, RecordsMessagesMenusAndCursor) {
  MemoryWindow window;
  std::vector<ShownMessage> seen;
  window.OnMessage([&](const ShownMessage& message) { seen.push_back(message); });
  window.ShowMessage("下载成功"_gbk, kIconInformation);
  window.ShowMessage("下载失败"_gbk, kIconError);
  ASSERT_EQ(window.Messages().size(), 2u);
  EXPECT_EQ(window.Messages()[1].text, "下载失败"_gbk);
  EXPECT_EQ(window.Messages()[1].icon, kIconError);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].text, "下载成功"_gbk);

  window.SetCursorPosition({120, 340});
  CursorPoint cursor = window.CursorPosition();
  window.ShowPopupMenu(Menu::菜单, cursor.x, cursor.y);
  ASSERT_EQ(window.MenusShown().size(), 1u);
  EXPECT_EQ(window.MenusShown()[0].x, 120);
  EXPECT_EQ(window.MenusShown()[0].y, 340);
}

TEST(MemoryWindowTest, HooksMayCallBackIntoTheWindow) {
  MemoryWindow window;
  window.OnPendingMessages([&] { window.SetControlText(Control::编辑框_保存, "from inside"); });
  window.OnMessage(
      [&](const ShownMessage&) { window.SetControlVisible(Control::透明标签3, true); });
  window.ProcessPendingMessages();
  window.ShowMessage("x", kIconInformation);
  EXPECT_EQ(window.GetControlText(Control::编辑框_保存), "from inside");
  EXPECT_TRUE(window.IsVisible(Control::透明标签3));
}

TEST(MemoryWindowTest, ConcurrentInsertsGetDistinctRows) {
  MemoryWindow window;
  constexpr int kThreads = 4;
  constexpr int kRowsEach = 500;
  std::vector<std::vector<int>> rowsByThread(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRowsEach; ++i) {
        int row = window.InsertRow();
        window.SetCellText(row, 0, std::to_string(t));
        rowsByThread[t].push_back(row);
      }
    });
  }
  for (auto& thread : threads) thread.join();

  std::set<int> all;
  for (int t = 0; t < kThreads; ++t) {
    for (int row : rowsByThread[t]) {
      all.insert(row);
      EXPECT_EQ(window.GetCellText(row, 0), std::to_string(t));
    }
  }
  EXPECT_EQ(window.RowCount(), kThreads * kRowsEach);
  EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kRowsEach));
}

// Writers swap whole texts while readers check that every text they see is one of the whole texts.
TEST(MemoryWindowTest, ReadersNeverSeeAHalfChangedControl) {
  MemoryWindow window;
  window.InsertRow();
  const Text first(4096, 'a');
  const Text second(8192, 'b');
  window.SetCellText(0, 4, first);
  window.SetControlText(Control::编辑框_保存, first);

  std::atomic<bool> stop = false;
  std::atomic<int> torn = 0;
  std::vector<std::thread> threads;
  for (int w = 0; w < 2; ++w) {
    threads.emplace_back([&, w] {
      for (int i = 0; i < 2000; ++i) {
        const Text& text = (i + w) % 2 ? first : second;
        window.SetCellText(0, 4, text);
        window.SetControlText(Control::编辑框_保存, text);
        window.SetControlVisible(Control::透明标签3, i % 2 == 0);
      }
    });
  }
  for (int r = 0; r < 2; ++r) {
    threads.emplace_back([&] {
      while (!stop) {
        for (const Text& seen :
             {window.GetCellText(0, 4), window.GetControlText(Control::编辑框_保存)}) {
          if (seen != first && seen != second) ++torn;
        }
        (void)window.SelectedRow();
        (void)window.IsVisible(Control::透明标签3);
      }
    });
  }
  threads[0].join();
  threads[1].join();
  stop = true;
  threads[2].join();
  threads[3].join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace qoravel
