#include "platform/portable/key_read_queue.h"

#include <array>
#include <thread>

#include <gtest/gtest.h>

#include "platform/hid.h"

namespace platform::portable {
namespace {

constexpr KeyReadQueue::Errors kErrors{7, 995};

class KeyReadQueueTest : public ::testing::Test {
 protected:
  KeyReadQueue::ReadSubmit SubmitRead(int handle, std::array<std::uint8_t, 4>& output, bool atOnce = false) {
    std::scoped_lock lock(queue->Mutex());
    return queue->SubmitReadLocked(handle, output.data(), atOnce);
  }
  bool Deliver(const KeyEventBytes& event) {
    bool kept = false;
    {
      std::scoped_lock lock(queue->Mutex());
      kept = queue->DeliverLocked(event);
    }
    queue->Changed().notify_all();
    return kept;
  }
  std::size_t WaitingReads() {
    std::scoped_lock lock(queue->Mutex());
    return queue->WaitingReadsLocked();
  }

  std::shared_ptr<KeyReadQueue> queue = std::make_shared<KeyReadQueue>(kErrors, 2);
  std::unique_ptr<AbortEvent> abort = queue->CreateAbortEvent();
};

TEST_F(KeyReadQueueTest, EventsGoToWaitingReadsFirstThenQueueInOrderUpToTheLimit) {
  std::array<std::uint8_t, 4> first{};
  KeyReadQueue::ReadSubmit waiting = SubmitRead(1, first);
  ASSERT_TRUE(waiting.waiting);
  ASSERT_EQ(waiting.outcome.kind, SubmitOutcome::Kind::kPending);
  std::thread deliverer([this] { Deliver({0x04, 0x00, 0x07, 0x01}); });
  const PendingRequest::End end = waiting.outcome.pending->WaitOrAbort(*abort);
  deliverer.join();
  EXPECT_EQ(end.kind, PendingRequest::End::Kind::kCompleted);
  EXPECT_EQ(end.bytesReturned, 4u);
  EXPECT_EQ(first, (std::array<std::uint8_t, 4>{0x04, 0x00, 0x07, 0x01}));

  EXPECT_TRUE(Deliver({0x05, 0x00, 0x07, 0x01}));
  EXPECT_TRUE(Deliver({0x05, 0x00, 0x07, 0x00}));
  EXPECT_FALSE(Deliver({0x06, 0x00, 0x07, 0x01}));  // the queue holds two: dropped

  std::array<std::uint8_t, 4> second{};
  KeyReadQueue::ReadSubmit queued = SubmitRead(1, second);
  EXPECT_FALSE(queued.waiting);
  ASSERT_EQ(queued.outcome.kind, SubmitOutcome::Kind::kPending);
  EXPECT_EQ(queued.outcome.pending->WaitOrAbort(*abort).kind, PendingRequest::End::Kind::kCompleted);
  EXPECT_EQ(second, (std::array<std::uint8_t, 4>{0x05, 0x00, 0x07, 0x01}));

  std::array<std::uint8_t, 4> third{};
  KeyReadQueue::ReadSubmit atOnce = SubmitRead(1, third, true);
  EXPECT_FALSE(atOnce.waiting);
  EXPECT_EQ(atOnce.outcome.kind, SubmitOutcome::Kind::kCompletedAtOnce);
  EXPECT_EQ(atOnce.outcome.bytesReturned, 4u);
  EXPECT_EQ(third, (std::array<std::uint8_t, 4>{0x05, 0x00, 0x07, 0x00}));
}

TEST_F(KeyReadQueueTest, AbortCancelsTheWaitOnceAndOnlyItsOwnQueueMayAbort) {
  std::array<std::uint8_t, 4> output{};
  KeyReadQueue::ReadSubmit read = SubmitRead(1, output);
  abort->Set();
  const PendingRequest::End aborted = read.outcome.pending->WaitOrAbort(*abort);
  EXPECT_EQ(aborted.kind, PendingRequest::End::Kind::kAborted);
  EXPECT_EQ(aborted.error, kErrors.cancelled);
  EXPECT_EQ(WaitingReads(), 0u);

  // The wait consumed the event: the next read completes with the next key.
  KeyReadQueue::ReadSubmit next = SubmitRead(1, output);
  ASSERT_TRUE(Deliver({0x04, 0x00, 0x07, 0x01}));
  EXPECT_EQ(next.outcome.pending->WaitOrAbort(*abort).kind, PendingRequest::End::Kind::kCompleted);

  auto otherQueue = std::make_shared<KeyReadQueue>(kErrors, 2);
  std::unique_ptr<AbortEvent> foreign = otherQueue->CreateAbortEvent();
  KeyReadQueue::ReadSubmit third = SubmitRead(1, output);
  const PendingRequest::End refused = third.outcome.pending->WaitOrAbort(*foreign);
  EXPECT_EQ(refused.kind, PendingRequest::End::Kind::kFailed);
  EXPECT_EQ(refused.error, kErrors.foreignAbortEvent);
  EXPECT_EQ(WaitingReads(), 0u);  // the refused wait cancelled its read
}

TEST_F(KeyReadQueueTest, ClosingAHandleFailsOnlyItsReadsAndDroppingARequestCancelsIt) {
  std::array<std::uint8_t, 4> closed{};
  std::array<std::uint8_t, 4> open{};
  KeyReadQueue::ReadSubmit onClosedHandle = SubmitRead(1, closed);
  KeyReadQueue::ReadSubmit onOpenHandle = SubmitRead(2, open);
  {
    std::scoped_lock lock(queue->Mutex());
    queue->CancelReadsOfLocked(1);
  }
  const PendingRequest::End end = onClosedHandle.outcome.pending->WaitOrAbort(*abort);
  EXPECT_EQ(end.kind, PendingRequest::End::Kind::kFailed);
  EXPECT_EQ(end.error, kErrors.cancelled);
  EXPECT_EQ(WaitingReads(), 1u);

  onOpenHandle.outcome.pending.reset();
  EXPECT_EQ(WaitingReads(), 0u);
  ASSERT_TRUE(Deliver({0x04, 0x00, 0x07, 0x01}));  // queued, not written into the dropped read
  EXPECT_EQ(open, (std::array<std::uint8_t, 4>{}));
}

TEST(KeyFilterAccess, ControlCodesAskForTheAccessOfTheirBits) {
  EXPECT_EQ(AccessRequiredBy(0x226044), kGenericRead);   // read a key
  EXPECT_EQ(AccessRequiredBy(0x226008), kGenericRead);   // start
  EXPECT_EQ(AccessRequiredBy(0x22A000), kGenericWrite);  // capture table
  EXPECT_EQ(AccessRequiredBy(0x22E000), kGenericRead | kGenericWrite);
  EXPECT_EQ(AccessRequiredBy(0x220000), 0u);
}

}  // namespace
}  // namespace platform::portable
