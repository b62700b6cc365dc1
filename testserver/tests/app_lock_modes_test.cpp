#include "server/app_locks.h"

#include <gtest/gtest.h>

using namespace testserver;

TEST(AppLockModes, CompatibleModesShareAndAHolderKeepsTheStrongestItTook) {
  using M = AppLockMode;
  AppLockKey key{1, "public", "R"};
  AppLocks locks;
  EXPECT_TRUE(locks.TryAcquire(key, M::Shared, 51));
  EXPECT_TRUE(locks.TryAcquire(key, M::Shared, 52));
  EXPECT_TRUE(locks.TryAcquire(key, M::Update, 53));
  EXPECT_FALSE(locks.TryAcquire(key, M::Update, 54));  // one Update at a time
  EXPECT_FALSE(locks.TryAcquire(key, M::IntentExclusive, 54));
  EXPECT_TRUE(locks.TryAcquire(key, M::IntentShared, 54));
  locks.ReleaseAll(52);
  locks.ReleaseAll(53);
  locks.ReleaseAll(54);

  // 51 converts to Exclusive; releasing the Shared count leaves the lock Exclusive.
  EXPECT_TRUE(locks.TryAcquire(key, M::Exclusive, 51));
  EXPECT_TRUE(locks.Release(key, 51));
  EXPECT_FALSE(locks.TryAcquire(key, M::IntentShared, 52));
  EXPECT_TRUE(locks.Release(key, 51));
  EXPECT_FALSE(locks.Release(key, 51));
  EXPECT_TRUE(locks.TryAcquire(key, M::Exclusive, 52));
  EXPECT_TRUE(locks.TryAcquire(AppLockKey{2, "public", "R"}, M::Exclusive, 51));

  EXPECT_EQ(ParseAppLockMode("exclusive"), M::Exclusive);
  EXPECT_FALSE(ParseAppLockMode("Exclusive "));
}
