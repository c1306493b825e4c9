#include "device/socket_layer.h"

#ifdef _WIN32

SOCKET openSocket() { return socket(AF_INET, SOCK_STREAM, IPPROTO_TCP); }

int connectSocket(SOCKET s, const sockaddr_in *peer) {
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  int result = connect(s, (const sockaddr *)peer, sizeof(*peer));
  if (result == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_SET(s, &writable);
    FD_ZERO(&failed);
    FD_SET(s, &failed);
    timeval limit = {kConnectTimeoutMs / 1000, (kConnectTimeoutMs % 1000) * 1000};
    int ready = select(0, nullptr, &writable, &failed, &limit);
    result = (ready == 1 && FD_ISSET(s, &writable)) ? 0 : SOCKET_ERROR;
    if (ready == 0) WSASetLastError(WSAETIMEDOUT);
  }
  nonBlocking = 0;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  if (result != SOCKET_ERROR) {
    DWORD timeout = kReceiveTimeoutMs;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char *)&timeout, sizeof(timeout));
  }
  return result;
}

int sendSome(SOCKET s, const char *data, int length) { return send(s, data, length, 0); }
int receiveSome(SOCKET s, char *buffer, int length) { return recv(s, buffer, length, 0); }

#else

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

int WSAStartup(unsigned short, WSADATA *) { return 0; }
int WSACleanup() { return 0; }
int closesocket(SOCKET s) { return close(s); }
int WSAGetLastError() { return errno; }

SOCKET openSocket() { return socket(AF_INET, SOCK_STREAM, IPPROTO_TCP); }

int connectSocket(SOCKET s, const sockaddr_in *peer) {
  int flags = fcntl(s, F_GETFL);
  fcntl(s, F_SETFL, flags | O_NONBLOCK);
  int result = connect(s, (const sockaddr *)peer, sizeof(*peer));
  if (result < 0 && errno == EINPROGRESS) {
    pollfd waitFor = {s, POLLOUT, 0};
    int ready;
    do ready = poll(&waitFor, 1, kConnectTimeoutMs);
    while (ready < 0 && errno == EINTR);
    int error = 0;
    socklen_t size = sizeof(error);
    if (ready == 1 && getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0) {
      result = 0;
    } else {
      result = SOCKET_ERROR;
      errno = ready == 0 ? ETIMEDOUT : (error ? error : errno);
    }
  }
  int savedErrno = errno;
  fcntl(s, F_SETFL, flags);
  if (result == 0) {
    timeval timeout = {kReceiveTimeoutMs / 1000, (kReceiveTimeoutMs % 1000) * 1000};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
  }
  errno = savedErrno;
  return result < 0 ? SOCKET_ERROR : 0;
}

int sendSome(SOCKET s, const char *data, int length) {
  ssize_t sent;
  do sent = send(s, data, (size_t)length, MSG_NOSIGNAL);
  while (sent < 0 && errno == EINTR);
  return (int)sent;
}

int receiveSome(SOCKET s, char *buffer, int length) {
  ssize_t received;
  do received = recv(s, buffer, (size_t)length, 0);
  while (received < 0 && errno == EINTR);
  return (int)received;
}

#endif
