// Platform socket layer: the Windows Sockets names the viewer uses, over
// winsock2 on Windows and over BSD sockets elsewhere, so that main and the
// transfer functions read the same on both.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

typedef int SOCKET;
typedef struct WSAData { int unused; } WSADATA;
const SOCKET INVALID_SOCKET = -1;
const int SOCKET_ERROR = -1;
#ifndef MAKEWORD
#define MAKEWORD(low, high) ((unsigned short)(((low) & 0xff) | (((high) & 0xff) << 8)))
#endif

int WSAStartup(unsigned short version, WSADATA *data);
int WSACleanup();
int closesocket(SOCKET s);
int WSAGetLastError();
#endif

// Bounds on waits the link would otherwise sit in forever when the sensor
// is unplugged or silent.
const int kConnectTimeoutMs = 3000;
const int kReceiveTimeoutMs = 5000;

SOCKET openSocket();
// connect bounded by kConnectTimeoutMs; SOCKET_ERROR on failure or time-out.
int connectSocket(SOCKET s, const sockaddr_in *peer);
// send with flags 0; never raises SIGPIPE, resumes after EINTR.
int sendSome(SOCKET s, const char *data, int length);
// recv with flags 0 bounded by kReceiveTimeoutMs; resumes after EINTR.
int receiveSome(SOCKET s, char *buffer, int length);
