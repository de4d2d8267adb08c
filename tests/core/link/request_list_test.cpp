#include "link/request_list.h"

#include <gtest/gtest.h>

#include <future>

#include "link/comm_thread.h"

namespace quillon {

// The worker's view: fetch, serve, release; the owner's calls stand inline for the queued calls
// that come from another thread after an answer.
TEST(RequestList, AddAndRemoveDuringAService) {
  RequestList list;
  TLinkRequest request, other;
  list.SetWorkerThread(std::this_thread::get_id());  // Remove must not wait on itself here
  list.Add(&request);
  ASSERT_EQ(list.Fetch(0), &request);
  EXPECT_EQ(list.Add(&request), 1u);  // a one-shot asked again while its answer is handled
  list.Release(&request, true);
  EXPECT_TRUE(list.Contains(&request));  // ... is kept for one more exchange
  ASSERT_EQ(list.Fetch(0), &request);
  list.Release(&request, true);
  EXPECT_FALSE(list.Contains(&request));

  list.Add(&other);
  list.Add(&request);
  ASSERT_EQ(list.Fetch(1), &request);
  list.Add(&request);
  list.Remove(&request);  // removal cancels the request to serve again
  list.Release(&request, true);
  EXPECT_FALSE(list.Contains(&request));
  list.Add(&other);
  EXPECT_EQ(list.Count(), 1u);  // added twice, held once
}

TEST(WorkerMutexRules, ReentrantAndForgivingOfStrayUnlocks) {
  WorkerMutex mutex;
  mutex.Unlock();  // never locked: ignored
  ASSERT_TRUE(mutex.LockFor(std::chrono::milliseconds(10)));
  ASSERT_TRUE(mutex.LockFor(std::chrono::milliseconds(10)));  // taken again by its holder
  auto other = std::async(std::launch::async, [&] {
    mutex.Unlock();  // not the holder: ignored
    return mutex.LockFor(std::chrono::milliseconds(20));
  });
  EXPECT_FALSE(other.get());
  mutex.Unlock();
  EXPECT_TRUE(mutex.HeldByThisThread());  // taken twice, released once
  mutex.Unlock();
  auto later = std::async(std::launch::async, [&] {
    const bool got = mutex.LockFor(std::chrono::milliseconds(20));
    if (got) mutex.Unlock();
    return got;
  });
  EXPECT_TRUE(later.get());
}

}  // namespace quillon
