#include "link/request_list.h"

#include <gtest/gtest.h>

namespace quillon {

// The worker's view: fetch, serve, release; the owner adds from another thread (here: inline,
// standing for the queued call that follows an answer).
TEST(RequestList, AOneShotRecordAddedAgainDuringItsServiceIsKeptForOneMoreExchange) {
  RequestList list;
  TLinkRequest request;
  list.Add(&request);
  ASSERT_EQ(list.Fetch(0), &request);
  EXPECT_EQ(list.Add(&request), 1u);  // the owner asks again while the answer is handled
  list.Release(&request, true);
  EXPECT_TRUE(list.Contains(&request));

  ASSERT_EQ(list.Fetch(0), &request);
  list.Release(&request, true);  // nobody asked again this time
  EXPECT_FALSE(list.Contains(&request));
}

TEST(RequestList, RemovalDuringServiceCancelsTheRequestToServeAgain) {
  RequestList list;
  TLinkRequest request;
  TLinkRequest other;
  list.SetWorkerThread(std::this_thread::get_id());  // Remove must not wait on itself here
  list.Add(&other);
  list.Add(&request);
  ASSERT_EQ(list.Fetch(1), &request);
  list.Add(&request);
  list.Remove(&request);
  list.Release(&request, true);
  EXPECT_FALSE(list.Contains(&request));
  EXPECT_TRUE(list.Contains(&other));
  // A record added twice outside a service is still held once.
  list.Add(&other);
  EXPECT_EQ(list.Count(), 1u);
}

}  // namespace quillon
