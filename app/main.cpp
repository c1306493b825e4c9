// rangeview: live viewer for a 320 x 24 range sensor on a TCP link.
#include <cstdio>
#include <cstdlib>

#include <opencv2/highgui.hpp>
#include <opencv2/highgui/highgui_c.h>

#include "app/frame_loop.h"
#include "app/run_state.h"
#include "console/keyboard.h"
#include "device/protocol.h"
#include "device/socket_layer.h"
#include "device/transport.h"
#include "pipeline/frame_images.h"
#include "viewer/image_windows.h"
#include "viewer/point_cloud.h"

namespace {

void onInterrupt(int signalNumber) {
  if (signalNumber == SIGINT) running = 0;
}

// One-shot: the default action comes back before the handler runs, so a
// second Ctrl-C ends the process at once.
void installInterruptHandler() {
#ifdef _WIN32
  signal(SIGINT, onInterrupt);
#else
  struct sigaction action = {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
#endif
}

// Each console line must reach a log or a pipe as it is printed.
void makeStdoutLineBuffered() {
#ifdef _WIN32
  setvbuf(stdout, nullptr, _IONBF, 0);
#else
  setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
#endif
}

void closeLink(SOCKET s) {
  closesocket(s);
  WSACleanup();
}

int waitForEnter(int status) {
  printf("Press ENTER to exit.\n");
  getchar();
  if (status == 0) exit(0);
  return status;
}

int failAfterClose(SOCKET s, const char *message) {
  closeLink(s);
  printf("%s", message);
  return waitForEnter(-1);
}

}  // namespace

int main(int argc, char **argv) {
  makeStdoutLineBuffered();
  installInterruptHandler();
  buildUndistortMaps();

  WSADATA wsaData;
  if (WSAStartup(MAKEWORD(2, 2), &wsaData) != 0) {
    printf("WSAStartup failed!\n");
    return waitForEnter(-1);
  }
  SOCKET link = openSocket();
  if (link == INVALID_SOCKET) {
    WSACleanup();
    printf("Creat socket failed!\n");
    return waitForEnter(-1);
  }
  printf("Conneting ...\n");
  sockaddr_in peer = {};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(kDevicePort);
  peer.sin_addr.s_addr = inet_addr(kDeviceAddress);
  if (connectSocket(link, &peer) == SOCKET_ERROR) {
    return failAfterClose(link, "Connect device failed!\n");
  }
  printf("Device conneted!\n");

  if (!sendAll(link, kRoiCommand, kCommandLength)) {
    return failAfterClose(link, "Failed to send roi command! Please cut off device's power and try again.\n");
  }
  receiveAll(link, (char *)replyBytes, kRoiReplyBytes);
  if (!sendAll(link, kStartCommand, kCommandLength)) {
    return failAfterClose(link, "Failed to send start command! Please cut off device's power and try again.\n");
  }

  int originalTag = 0, undistortedTag = 1;
  createImageWindows(&originalTag, &undistortedTag);
  createPointCloudWindow(&argc, argv);
  printf("Start processing ...\n");
  printKeyHelp();

  runFrameLoop(link);

  if (!sendAll(link, kStopCommand, kCommandLength)) {
    return failAfterClose(link, "Failed to send stop command! Please cut off device's power directly.\n");
  }
  cvWaitKey(kStopPauseMs);
  const bool disconnectSent = sendAll(link, kDisconnectCommand, kCommandLength);
  closeLink(link);
  if (!disconnectSent) {
    printf("Failed to send disconnect command! Please cut off device's power directly.\n");
    return waitForEnter(-1);
  }
  printf("Device is successfully stopped and disconnected!\n");
  return waitForEnter(0);
}
