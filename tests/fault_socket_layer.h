// Test double of the platform socket layer: forwards to the real one and
// fails chosen calls, so tests can reach the exit paths a well-behaved
// sensor never provokes.
#pragma once

struct SocketFaults {
  bool failStartup = false;
  bool failSocket = false;
  int failSendCall = 0;  // 1-based number of the send that fails; 0 for none
  int maxSendBytes = 0;  // a send takes at most this many bytes; 0 for no cap
  int sendCalls = 0;
  int receiveCalls = 0;
};

extern SocketFaults socketFaults;
