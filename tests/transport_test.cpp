#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "device/protocol.h"
#include "device/transport.h"
#include "tests/fault_socket_layer.h"

namespace {

struct SocketPair : ::testing::Test {
  int viewer = -1, sensor = -1;
  void SetUp() override {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    viewer = fds[0];
    sensor = fds[1];
    socketFaults = SocketFaults();
  }
  void TearDown() override {
    if (viewer >= 0) close(viewer);
    if (sensor >= 0) close(sensor);
  }
};

std::vector<char> pattern(size_t size) {
  std::vector<char> bytes(size);
  for (size_t i = 0; i < size; i++) bytes[i] = (char)(i * 31 + i / 251);
  return bytes;
}

TEST_F(SocketPair, SendAcceptedInPartsDeliversEveryByteOnceInOrder) {
  socketFaults.maxSendBytes = 7;
  const std::vector<char> data = pattern(1000);
  std::vector<char> received;
  std::thread reader([&] {
    char piece[1000];
    while (received.size() < data.size()) {
      ssize_t n = read(sensor, piece, sizeof(piece));
      if (n <= 0) break;
      received.insert(received.end(), piece, piece + n);
    }
  });
  EXPECT_TRUE(sendAll(viewer, data.data(), (int)data.size()));
  reader.join();
  EXPECT_EQ(socketFaults.sendCalls, 143);  // 142 pieces of 7 bytes and one of 6
  EXPECT_TRUE(received == data);
}

TEST_F(SocketPair, BlockInManySmallPiecesIsPutTogetherInOrder) {
  const std::vector<char> data = pattern(kBlockBytes);
  std::thread writer([&] {
    for (size_t i = 0; i < data.size(); i += 97) {
      ASSERT_GT(write(sensor, data.data() + i, std::min<size_t>(97, data.size() - i)), 0);
      if (i % (97 * 20) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  std::vector<char> block(kBlockBytes);
  EXPECT_TRUE(receiveAll(viewer, block.data(), kBlockBytes));
  writer.join();
  EXPECT_GT(socketFaults.receiveCalls, 1);
  EXPECT_TRUE(block == data);
}

TEST_F(SocketPair, BytesBeyondTheRequestStayForTheNextReceive) {
  const char sent[] = "abcdefghij";
  ASSERT_EQ(write(sensor, sent, 10), 10);
  char first[4] = {}, second[6] = {};
  ASSERT_TRUE(receiveAll(viewer, first, 4));
  ASSERT_TRUE(receiveAll(viewer, second, 6));
  EXPECT_EQ(std::string(first, 4), "abcd");
  EXPECT_EQ(std::string(second, 6), "efghij");
}

TEST_F(SocketPair, PeerClosingMidReceiveFailsAndKeepsTheEarlierBytes) {
  ASSERT_EQ(write(sensor, "12345", 5), 5);
  close(sensor);
  sensor = -1;
  char buffer[12];
  std::memset(buffer, '.', sizeof(buffer));
  testing::internal::CaptureStdout();
  const bool ok = receiveAll(viewer, buffer, 10);
  fflush(stdout);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_FALSE(ok);
  EXPECT_EQ(std::string(buffer, 12), "12345.......");
  EXPECT_EQ(out.rfind("recv failed: ", 0), 0u) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
}

TEST_F(SocketPair, SendErrorFailsAtOnceWithoutRetry) {
  close(sensor);
  sensor = -1;
  testing::internal::CaptureStdout();
  const bool ok = sendAll(viewer, kStopCommand, kCommandLength);
  fflush(stdout);
  EXPECT_FALSE(ok);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "send failed: 32\n");  // EPIPE, no SIGPIPE
  EXPECT_EQ(socketFaults.sendCalls, 1);
}

TEST_F(SocketPair, ReceiveTimesOutOnASilentPeer) {
  timeval shortWait = {0, 200 * 1000};
  setsockopt(viewer, SOL_SOCKET, SO_RCVTIMEO, &shortWait, sizeof(shortWait));
  char buffer[4];
  testing::internal::CaptureStdout();
  const bool ok = receiveAll(viewer, buffer, 4);
  fflush(stdout);
  EXPECT_FALSE(ok);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "recv failed: 11\n");  // EAGAIN
}

TEST(Protocol, CommandsAreTheirTextPaddedWithSpacesToFiftyBytes) {
  const struct { const char *command; const char *text; } cases[] = {
      {kRoiCommand, "roi 0 0 3"},
      {kStartCommand, "getDistanceAndAmplitudeSorted"},
      {kStopCommand, "join"},
      {kDisconnectCommand, "disconnect"},
  };
  for (const auto &c : cases) {
    std::string expected = c.text;
    expected.append(kCommandLength - expected.size(), ' ');
    EXPECT_EQ(std::string(c.command, kCommandLength), expected);
    EXPECT_EQ(c.command[kCommandLength], '\0');
  }
}

TEST(Protocol, SamplesAreLittleEndian) {
  unsigned char block[4] = {0x2C, 0x01, 0xFF, 0xFF};
  EXPECT_EQ(blockSample(block, 0, 0), 300);
  EXPECT_EQ(blockSample(block, 0, 1), 65535);
  EXPECT_EQ(kFrameBytes, 30723);
}

}  // namespace
