#include "tests/fault_socket_layer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The real layer under other names, so the doubles below can forward to it.
#define WSAStartup realWSAStartup
#define openSocket realOpenSocket
#define sendSome realSendSome
#define receiveSome realReceiveSome
#include "device/socket_layer.cpp"
#undef WSAStartup
#undef openSocket
#undef sendSome
#undef receiveSome

SocketFaults socketFaults;

namespace {
// rangeview_faults reads its fault from RANGEVIEW_FAULT: "startup",
// "socket" or "send:N".
struct FaultsFromEnvironment {
  FaultsFromEnvironment() {
    const char *fault = getenv("RANGEVIEW_FAULT");
    if (fault == nullptr) return;
    if (strcmp(fault, "startup") == 0) socketFaults.failStartup = true;
    if (strcmp(fault, "socket") == 0) socketFaults.failSocket = true;
    if (strncmp(fault, "send:", 5) == 0) socketFaults.failSendCall = atoi(fault + 5);
  }
} faultsFromEnvironment;
}  // namespace

int WSAStartup(unsigned short version, WSADATA *data) {
  if (socketFaults.failStartup) return 10091;  // WSASYSNOTREADY
  return realWSAStartup(version, data);
}

SOCKET openSocket() {
  if (socketFaults.failSocket) {
    errno = EMFILE;
    return INVALID_SOCKET;
  }
  return realOpenSocket();
}

int sendSome(SOCKET s, const char *data, int length) {
  if (++socketFaults.sendCalls == socketFaults.failSendCall) {
    errno = ECONNRESET;
    return SOCKET_ERROR;
  }
  if (socketFaults.maxSendBytes > 0 && length > socketFaults.maxSendBytes) length = socketFaults.maxSendBytes;
  return realSendSome(s, data, length);
}

int receiveSome(SOCKET s, char *buffer, int length) {
  socketFaults.receiveCalls++;
  return realReceiveSome(s, buffer, length);
}
