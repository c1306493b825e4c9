#include "device/transport.h"

#include <cstdio>

bool sendAll(SOCKET s, const char *data, int length) {
  int sent = 0;
  while (true) {
    int result = sendSome(s, data + sent, length - sent);
    if (result < 0) {
      printf("send failed: %d\n", WSAGetLastError());
      return false;
    }
    sent += result;
    if (sent == length) return true;
  }
}

bool receiveAll(SOCKET s, char *buffer, int length) {
  int received = 0;
  while (true) {
    int result = receiveSome(s, buffer + received, length - received);
    if (result <= 0) {
      printf("recv failed: %d\n", WSAGetLastError());
      return false;
    }
    received += result;
    if (received == length) return true;
  }
}
