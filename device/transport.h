#pragma once

#include "device/socket_layer.h"

// Hands all `length` bytes to the socket; prints "send failed: %d" on error.
bool sendAll(SOCKET s, const char *data, int length);
// Fills exactly `length` bytes of `buffer`; prints "recv failed: %d" on an
// error, a time-out or a close by the peer. Bytes received before a failure
// stay in place.
bool receiveAll(SOCKET s, char *buffer, int length);
