// The erasure beside the window: a call of the system that blocks for ten seconds (a flush of
// a large file on a slow stick) leaves the window answering all along, and "Annuler" pressed
// meanwhile is heard before the next write.
#include "app/BackgroundRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>

#include "engine/ShreddingManager.h"
#include "platform/FakePlatform.h"
#include "platform/PlatformWrapper.h"

namespace varnolt {
namespace {

using Clock = std::chrono::steady_clock;

// The first flush takes ten seconds, as a slow device's would, and the system's clock moves on
// by as much.
class SlowFlush final : public PlatformWrapper {
 public:
  explicit SlowFlush(FakePlatform& fake) : PlatformWrapper(fake), fake(fake) {}
  bool FlushToDisk(FileHandle file) override {
    if (flushes++ == 0) {
      std::unique_lock<std::mutex> lock(mutex);
      blocked = true;
      started = Clock::now();
      unblocked.wait_for(lock, std::chrono::seconds(10), [] { return false; });
      blocked = false;
      ended = Clock::now();
      fake.SetTicks(fake.TickCount() + 10000);
    }
    return PlatformWrapper::FlushToDisk(file);
  }
  bool Blocked() {
    const std::lock_guard<std::mutex> lock(mutex);
    return blocked;
  }

  int flushes = 0;
  Clock::time_point started, ended;

 private:
  FakePlatform& fake;
  std::mutex mutex;
  std::condition_variable unblocked;  // never notified: the flush ends when its time is up
  bool blocked = false;
};

// A window that notes when it answered, and presses Annuler one second into the flush.
class NotingWindow final : public RunWindow {
 public:
  explicit NotingWindow(SlowFlush& platform) : platform(platform) {}
  void Wait(std::uint32_t milliseconds) override {
    std::unique_lock<std::mutex> lock(mutex);
    woken.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return ended; });
  }
  void WorkEnded() override {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      ended = true;
    }
    woken.notify_all();
  }
  std::uint8_t Show(const ProgressFigures& figures) override {
    const Clock::time_point now = Clock::now();
    if (platform.Blocked()) {
      if (answersWhileBlocked++ > 0) longestGap = std::max(longestGap, now - lastAnswer);
      if (!cancelled && now - platform.started >= std::chrono::seconds(1)) cancelled = true;
    }
    lastAnswer = now;
    last = figures;
    return cancelled ? 0 : 1;
  }
  void ShowStopping() override {
    ++stoppingShown;
    stoppingShownDuringTheFlush = platform.Blocked();
  }

  SlowFlush& platform;
  int answersWhileBlocked = 0;
  Clock::duration longestGap{};
  Clock::time_point lastAnswer;
  bool cancelled = false;
  int stoppingShown = 0;
  bool stoppingShownDuringTheFlush = false;
  ProgressFigures last;

 private:
  std::mutex mutex;
  std::condition_variable woken;
  bool ended = false;
};

TEST(BackgroundRun, AFlushThatBlocksTenSecondsLeavesTheWindowAnsweringAndHearsAnnulerBeforeTheNextWrite) {
  FakePlatform os;
  os.MakeFile("C:\\film.mkv", 3 * 8192, 0x11);
  SlowFlush slow(os);
  ShreddingManager manager(slow);
  manager.AddItem("C:\\film.mkv", true);
  NotingWindow window(slow);

  RunBesideWindow(
      [&](ProgressCallback callback) {
        manager.SetCallback(callback);
        manager.Run();
      },
      window);

  EXPECT_GE(slow.ended - slow.started, std::chrono::seconds(10));
  // Answered all along the flush, never more than a quarter of a second apart.
  EXPECT_GE(window.answersWhileBlocked, 40);
  EXPECT_LT(window.longestGap, std::chrono::milliseconds(250));
  // Annuler was heard: the window said so while the flush still held the run, which wrote
  // nothing more once it returned. The file stays under its name, said stopped.
  EXPECT_TRUE(window.cancelled);
  EXPECT_EQ(window.stoppingShown, 1);
  EXPECT_TRUE(window.stoppingShownDuringTheFlush);
  EXPECT_EQ(os.WriteSizes().size(), 3u);
  EXPECT_TRUE(os.Exists("C:\\film.mkv"));
  EXPECT_TRUE(manager.Stopped());
  EXPECT_EQ(manager.Outcomes().at(0).left, LeftBecause::kStopped);
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST(BackgroundRun, WhatTheRunThrowsIsThrownOnTheWindowsThreadOnceItEnded) {
  FakePlatform os;
  SlowFlush unused(os);
  NotingWindow window(unused);
  EXPECT_THROW(RunBesideWindow([](ProgressCallback) { throw std::runtime_error("out of memory"); }, window),
               std::runtime_error);
  // And the next run goes as any.
  RunBesideWindow([](ProgressCallback callback) { EXPECT_EQ(callback(0.5f, 1, 2, 0.75f), 1); }, window);
  EXPECT_FLOAT_EQ(window.last.overallFraction, 0.75f);
}

}  // namespace
}  // namespace varnolt
