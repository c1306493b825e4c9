// Frames per second the transfer functions take from a sensor (or rangesim
// --fps 1000) with nothing else in the loop: link_rate [SECONDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "device/protocol.h"
#include "device/transport.h"

int main(int argc, char **argv) {
  const double seconds = argc > 1 ? atof(argv[1]) : 3.0;
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET link = openSocket();
  sockaddr_in peer = {};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(kDevicePort);
  peer.sin_addr.s_addr = inet_addr(kDeviceAddress);
  if (connectSocket(link, &peer) == SOCKET_ERROR) {
    printf("Connect device failed!\n");
    return 1;
  }
  sendAll(link, kRoiCommand, kCommandLength);
  receiveAll(link, (char *)replyBytes, kRoiReplyBytes);
  sendAll(link, kStartCommand, kCommandLength);
  using clock = std::chrono::steady_clock;
  const auto start = clock::now();
  long frames = 0;
  double elapsed = 0;
  while (elapsed < seconds) {
    if (!receiveAll(link, (char *)distanceBlock, kBlockBytes)) break;
    if (!receiveAll(link, (char *)amplitudeBlock, kBlockBytes)) break;
    receiveAll(link, (char *)replyBytes, kTrailerBytes);
    frames++;
    elapsed = std::chrono::duration<double>(clock::now() - start).count();
  }
  sendAll(link, kStopCommand, kCommandLength);
  sendAll(link, kDisconnectCommand, kCommandLength);
  closesocket(link);
  WSACleanup();
  printf("%ld frames in %.2f s: %.1f frames per second, %.1f MB/s\n", frames, elapsed, frames / elapsed,
         frames * (double)kFrameBytes / elapsed / 1e6);
  return 0;
}
