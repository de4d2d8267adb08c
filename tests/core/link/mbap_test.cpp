// MBAP framing, and the MBAP channel against small servers on 127.0.0.1: what goes on the wire,
// how a whole ADU is collected, and which answers are refused; and the TCP registry keeping the
// two framings of one address apart.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "link/mbap_connection.h"
#include "link/mbap_frames.h"
#include "link/tcpip_list.h"
#include "loopback_device.h"
#include "request_owner.h"
#include "support/mbap_adu.h"

namespace quillon {
namespace {

using testing::AnswerChunk;
using testing::Bytes;
using testing::LoopbackDevice;
using testing::WaitFor;

const std::uint32_t kLoopback = ParseIPv4("127.0.0.1");
const Bytes kReadRtu{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
// The answer's unit id and PDU, and the RTU frame a master must make of them.
const Bytes kAnswerBody{0x01, 0x03, 0x02, 0x12, 0x34};
const Bytes kAnswerRtu{0x01, 0x03, 0x02, 0x12, 0x34, 0xB5, 0x33};

std::uint16_t TransactionOf(const Bytes& adu) { return static_cast<std::uint16_t>((adu.at(0) << 8) | adu.at(1)); }

TEST(MbapFrames, ARequestGoesWithAHeaderAndWithoutItsCrcWhenItsPduFits) {
  EXPECT_EQ(MbapFromRtu(kReadRtu, 0x1234),
            (Bytes{0x12, 0x34, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}));
  // The transaction id is big-endian like every MBAP field; the unit id is the slave address.
  EXPECT_EQ(MbapFromRtu(Bytes{0xF7, 0x11, 0x00, 0x00}, 0xFFFF),
            (Bytes{0xFF, 0xFF, 0x00, 0x00, 0x00, 0x02, 0xF7, 0x11}));
  EXPECT_FALSE(MbapFromRtu(Bytes{0x01, 0xAA, 0xBB}, 1).has_value());  // an address and a CRC only
  EXPECT_FALSE(MbapFromRtu(Bytes{}, 1).has_value());
  Bytes longest(1 + kMbapLongestPdu + 2, 0x10);
  const auto adu = MbapFromRtu(longest, 1);
  ASSERT_TRUE(adu.has_value());
  EXPECT_EQ(adu->size(), kMbapLongestAdu);
  EXPECT_EQ(MbapAduLength(*adu), kMbapLongestAdu);
  longest.push_back(0x10);
  EXPECT_FALSE(MbapFromRtu(longest, 1).has_value());
}

TEST(MbapFrames, AnAnswerBecomesTheRtuFrameWithItsCrcOrIsRefusedWithTheReason) {
  const Bytes good = testing::MbapAdu(0xBEEF, kAnswerBody);
  Bytes otherUnit = good;
  otherUnit[6] = 0x11;  // passes: the RTU judge sees the slave address
  Bytes modbusPlus = good;
  modbusPlus[3] = 0x01;
  Bytes longer = good;
  longer[5] = 0x06;  // claims a byte that never came
  Bytes shorter = good;
  shorter[5] = 0x04;  // a byte more came than it claims
  const struct {
    Bytes adu;
    MbapRefusal refusal;
    Bytes rtu;
  } cases[] = {
      {good, MbapRefusal::None, kAnswerRtu},
      {otherUnit, MbapRefusal::None, {0x11, 0x03, 0x02, 0x12, 0x34, 0x74, 0xF0}},
      {modbusPlus, MbapRefusal::Protocol, {}},
      {longer, MbapRefusal::Length, {}},
      {shorter, MbapRefusal::Length, {}},
      {Bytes(good.begin(), good.begin() + 7), MbapRefusal::Short, {}},
  };
  for (const auto& item : cases) {
    const RtuFromMbapResult answer = RtuFromMbap(item.adu, 0xBEEF);
    EXPECT_EQ(answer.refusal, item.refusal) << MbapRefusalText(answer.refusal);
    EXPECT_EQ(answer.rtu, item.rtu) << ::testing::PrintToString(item.adu);
  }
  const RtuFromMbapResult late = RtuFromMbap(good, 0xBEF0);
  EXPECT_EQ(late.refusal, MbapRefusal::Transaction);
  EXPECT_TRUE(late.rtu.empty());
  EXPECT_EQ(MbapRefusalText(late.refusal), "MBAP: answer to another transaction");
  // The simulator's side takes a request under any transaction id.
  EXPECT_EQ(RtuFromMbap(good, std::nullopt).rtu, kAnswerRtu);
  EXPECT_EQ(MbapTransaction(good), 0xBEEF);
}

TEST(MbapFrames, TheHeaderTellsTheWholeLengthAndAnImpossibleHeaderEarly) {
  EXPECT_FALSE(MbapAduLength(Bytes{0x00, 0x01, 0x00, 0x00, 0x00}).has_value());
  EXPECT_EQ(MbapAduLength(Bytes{0x00, 0x01, 0x00, 0x00, 0x01, 0x00}), 6u + 256u);
  EXPECT_EQ(MbapHeaderRefusal(Bytes{0x00, 0x01, 0x00}), MbapRefusal::None);
  EXPECT_EQ(MbapHeaderRefusal(Bytes{0x00, 0x01, 0x00, 0x07}), MbapRefusal::Protocol);
  EXPECT_EQ(MbapHeaderRefusal(Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x01}), MbapRefusal::Length);
  EXPECT_EQ(MbapHeaderRefusal(Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0xFF}), MbapRefusal::Length);
  EXPECT_EQ(MbapHeaderRefusal(Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0xFE}), MbapRefusal::None);
}

class MbapChannel : public ::testing::Test {
 protected:
  // The server answers each request as `answer` says, given the request's transaction id.
  void Serve(std::function<std::vector<AnswerChunk>(std::uint16_t transaction)> answer) {
    device_ = std::make_unique<LoopbackDevice>(
        [answer = std::move(answer)](const Bytes& request) { return answer(TransactionOf(request)); });
    connection_ = MbapConnection::Create(kLoopback, device_->Port());
    ASSERT_NE(connection_, nullptr);
    ASSERT_TRUE(connection_->Connect());
  }

  // One exchange as the worker makes it; the count ReceiveAnswer gave.
  std::uint32_t Exchange() {
    connection_->Purge();
    EXPECT_TRUE(connection_->Send(kReadRtu.data(), kReadRtu.size()));
    answer_.assign(256, 0);
    const std::uint32_t count = connection_->ReceiveAnswer(answer_.data(), answer_.size(), AnswerEnd());
    answer_.resize(count);
    return count;
  }

  std::unique_ptr<LoopbackDevice> device_;
  std::unique_ptr<MbapConnection> connection_;
  Bytes answer_;
};

TEST_F(MbapChannel, EachRequestGoesUnderTheNextTransactionAndTheAnswerComesBackAsRtu) {
  Serve([](std::uint16_t transaction) {
    return std::vector<AnswerChunk>{{0, testing::MbapAdu(transaction, kAnswerBody)}};
  });
  EXPECT_TRUE(connection_->FramesWithMBAP());
  for (std::uint16_t transaction = 1; transaction <= 3; ++transaction) {
    ASSERT_EQ(Exchange(), kAnswerRtu.size());
    EXPECT_EQ(answer_, kAnswerRtu);
    EXPECT_FALSE(connection_->AnswerRefused());
    const Bytes sent = testing::MbapAdu(transaction, {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A});
    EXPECT_EQ(Bytes(connection_->SentOnWire().begin(), connection_->SentOnWire().end()), sent);
    EXPECT_EQ(Bytes(connection_->ReceivedOnWire().begin(), connection_->ReceivedOnWire().end()),
              testing::MbapAdu(transaction, kAnswerBody));
  }
  ASSERT_TRUE(WaitFor([&] { return device_->Requests().size() == 3; }));
  EXPECT_EQ(TransactionOf(device_->Requests()[2]), 3);
}

TEST_F(MbapChannel, AnAnswerToAnotherTransactionIsRefusedAndTheNextGoodOneTaken) {
  std::atomic<int> served{0};
  Serve([&](std::uint16_t transaction) {
    const bool stale = served++ == 0;
    return std::vector<AnswerChunk>{{0, testing::MbapAdu(stale ? transaction - 1 : transaction, kAnswerBody)}};
  });
  const std::uint32_t refused = Exchange();
  EXPECT_TRUE(connection_->Silence(refused));
  EXPECT_TRUE(connection_->AnswerRefused());
  // The traffic monitor still sees what came.
  EXPECT_EQ(Bytes(connection_->ReceivedOnWire().begin(), connection_->ReceivedOnWire().end()),
            testing::MbapAdu(0, kAnswerBody));
  ASSERT_EQ(Exchange(), kAnswerRtu.size());
  EXPECT_EQ(answer_, kAnswerRtu);
  EXPECT_FALSE(connection_->AnswerRefused());
}

TEST_F(MbapChannel, AnAnswerInPiecesIsCollectedWholeAndACopyOfItIsLeftOnTheLine) {
  Serve([](std::uint16_t transaction) {
    const Bytes adu = testing::MbapAdu(transaction, kAnswerBody);
    return std::vector<AnswerChunk>{{0, Bytes(adu.begin(), adu.begin() + 3)},
                                    {20, Bytes(adu.begin() + 3, adu.begin() + 8)},
                                    {20, Bytes(adu.begin() + 8, adu.end())},
                                    {0, adu}};
  });
  ASSERT_EQ(Exchange(), kAnswerRtu.size());
  EXPECT_EQ(answer_, kAnswerRtu);
  // The copy was left on the line, and the purge before the next request took it.
  ASSERT_EQ(Exchange(), kAnswerRtu.size());
  EXPECT_EQ(answer_, kAnswerRtu);
  EXPECT_EQ(TransactionOf(Bytes(connection_->ReceivedOnWire().begin(), connection_->ReceivedOnWire().end())), 2);
}

TEST_F(MbapChannel, SilenceCutAdusAndOtherProtocolsAreNoAnswers) {
  std::atomic<int> round{0};
  Serve([&](std::uint16_t transaction) -> std::vector<AnswerChunk> {
    const Bytes adu = testing::MbapAdu(transaction, kAnswerBody);
    switch (round++) {
      case 0:
        return {};
      case 1:
        return {{0, Bytes(adu.begin(), adu.end() - 1)}};  // the length field promises one more
      default:
        return {{0, testing::MbapAdu(transaction, kAnswerBody, 1)}};
    }
  });
  EXPECT_EQ(Exchange(), 1u);
  EXPECT_FALSE(connection_->AnswerRefused()) << "nothing came, so nothing was refused";
  EXPECT_TRUE(connection_->ReceivedOnWire().empty());
  for (int refusal = 0; refusal < 2; ++refusal) {
    EXPECT_TRUE(connection_->Silence(Exchange())) << refusal;
    EXPECT_TRUE(connection_->AnswerRefused()) << refusal;
    EXPECT_FALSE(connection_->ReceivedOnWire().empty()) << refusal;
  }
}

TEST(MbapWorker, RtuAndMbapToOnePortAreTwoWorkersAndTheMbapOneHandsBackRtu) {
  LoopbackDevice device([](const Bytes& request) -> std::vector<AnswerChunk> {
    // Bare RTU frames come back after a marker, ADUs get the register answer.
    if (request == kReadRtu) return testing::EchoAfter(0x66)(request);
    return {{0, testing::MbapAdu(TransactionOf(request), kAnswerBody)}};
  });
  TTCPIPList list;
  testing::RequestOwner rtuOwner(kReadRtu, false, 4096), mbapOwner(kReadRtu, false, 4096);
  for (const auto& [peer, owner] : {std::pair{TcpPeer{kLoopback, device.Port(), false}, &rtuOwner},
                                    std::pair{TcpPeer{kLoopback, device.Port(), true}, &mbapOwner}}) {
    list.Lock(peer);
    ASSERT_GE(list.OpenWorker(peer), 0);
    list.AddRequest(peer, &owner->record);
    list.Unlock(peer);
  }
  ASSERT_TRUE(WaitFor([&] { return rtuOwner.count == 1 && mbapOwner.count == 1; }));
  EXPECT_EQ(list.Count(), 2u);
  EXPECT_EQ(device.Accepted(), 2);
  Bytes echoed{0x66};
  echoed.insert(echoed.end(), kReadRtu.begin(), kReadRtu.end());
  EXPECT_EQ(rtuOwner.Answers().at(0), echoed);
  EXPECT_EQ(mbapOwner.Answers().at(0), kAnswerRtu);
}

}  // namespace
}  // namespace quillon
