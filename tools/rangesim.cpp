// rangesim: a stand-in for the range sensor on loopback. Accepts one client
// at a time, answers the ROI command with 4 bytes, streams frames after the
// start command, stops on "join" and closes on "disconnect".
#include <cerrno>
#include <cstdarg>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tools/record_reader.h"
#include "tools/scene.h"

namespace {

const int kCommandLength = 50;
const int kBlockBytes = kSceneWidth * kSceneHeight * 2;
const int kFrameBytes = 2 * kBlockBytes + 3;
const char *const kKnownCommands[] = {"roi 0 0 3", "getDistanceAndAmplitudeSorted", "join", "disconnect"};

struct Options {
  std::string address = "127.0.0.1";
  int port = 50660;
  double fps = 20;
  long frames = -1;       // stop sending after this many, keep the link
  long closeAfter = -1;   // close after this many whole frames
  bool closeMidBlock = false;
  bool stall = false;
  int chunk = 0;          // deliver frames in pieces of this many bytes
  bool noRoiReply = false;
  int roiReplyDelayMs = 0;
  bool resetOnAccept = false;
  bool staticScene = false;
  bool hole = false;
  bool once = false;
  std::string replay;     // record file to stream instead of the scene
  bool loop = false;
};

Options options;

void usage() {
  printf(
      "usage: rangesim [options]\n"
      "Serves the sensor's TCP exchange on loopback, one client at a time.\n"
      "  --port N             port to listen on (default 50660)\n"
      "  --address A          address to listen on (default 127.0.0.1)\n"
      "  --fps N              frames per second while streaming (default 20)\n"
      "  --frames N           stop sending after N frames but keep the link open\n"
      "  --close-after N      close the link after N whole frames\n"
      "  --close-mid-block    close the link in the middle of the first distance block\n"
      "  --stall              answer the ROI command, then send nothing\n"
      "  --chunk BYTES        deliver frames in pieces of BYTES bytes\n"
      "  --no-roi-reply       do not answer the ROI command\n"
      "  --roi-reply-delay MS answer the ROI command after MS milliseconds\n"
      "  --reset-on-accept    reset every connection as soon as it is accepted\n"
      "  --static             send the first frame of the scene over and over\n"
      "  --hole               no distance in the middle of the image, around the optical axis\n"
      "  --once               exit when the first client has gone\n"
      "  --replay FILE        stream the frames of a record file instead of the scene\n"
      "  --loop               with --replay, start again after the last frame\n"
      "  --help               this text\n");
}

bool parseOptions(int argc, char **argv) {
  for (int i = 1; i < argc; i++) {
    const std::string arg = argv[i];
    auto value = [&](const char *name) -> const char * {
      if (i + 1 >= argc) {
        fprintf(stderr, "rangesim: %s needs a value\n", name);
        exit(2);
      }
      return argv[++i];
    };
    if (arg == "--help") { usage(); exit(0); }
    else if (arg == "--port") options.port = atoi(value("--port"));
    else if (arg == "--address") options.address = value("--address");
    else if (arg == "--fps") options.fps = atof(value("--fps"));
    else if (arg == "--frames") options.frames = atol(value("--frames"));
    else if (arg == "--close-after") options.closeAfter = atol(value("--close-after"));
    else if (arg == "--close-mid-block") options.closeMidBlock = true;
    else if (arg == "--stall") options.stall = true;
    else if (arg == "--chunk") options.chunk = atoi(value("--chunk"));
    else if (arg == "--no-roi-reply") options.noRoiReply = true;
    else if (arg == "--roi-reply-delay") options.roiReplyDelayMs = atoi(value("--roi-reply-delay"));
    else if (arg == "--reset-on-accept") options.resetOnAccept = true;
    else if (arg == "--static") options.staticScene = true;
    else if (arg == "--hole") options.hole = true;
    else if (arg == "--once") options.once = true;
    else if (arg == "--replay") options.replay = value("--replay");
    else if (arg == "--loop") options.loop = true;
    else {
      fprintf(stderr, "rangesim: unknown option %s (see --help)\n", arg.c_str());
      return false;
    }
  }
  if (options.fps <= 0 || options.chunk < 0) {
    fprintf(stderr, "rangesim: --fps must be positive and --chunk not negative\n");
    return false;
  }
  return true;
}

void log(const char *format, ...) __attribute__((format(printf, 1, 2)));
void log(const char *format, ...) {
  va_list args;
  va_start(args, format);
  printf("rangesim: ");
  vprintf(format, args);
  printf("\n");
  va_end(args);
}

double nowSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Blocking send of all bytes.
bool sendBytes(int client, const unsigned char *data, size_t length) {
  size_t sent = 0;
  while (sent < length) {
    size_t piece = length - sent;
    ssize_t n = send(client, data + sent, piece, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      log("send failed: %s", strerror(errno));
      return false;
    }
    sent += (size_t)n;
  }
  return true;
}

// Frames of --replay, ready to send: each section un-mirrored back into
// the order the sensor sends, a zero trailer.
std::vector<std::vector<unsigned char>> replayFrames;

bool loadReplay() {
  std::string contents, error;
  if (!readWholeFile(options.replay.c_str(), contents, error)) {
    fprintf(stderr, "rangesim: %s\n", error.c_str());
    return false;
  }
  RecordReader reader = openRecord(contents.data(), contents.size());
  static RecordFrame record;
  static uint16_t distance[kSceneWidth * kSceneHeight], amplitude[kSceneWidth * kSceneHeight];
  while (readRecordFrame(reader, record)) {
    for (int r = 0; r < kSceneHeight; r++)
      for (int k = 0; k < kSceneWidth; k++) {
        distance[r * kSceneWidth + k] = record.raw[r][kSceneWidth - 1 - k];
        amplitude[r * kSceneWidth + k] = record.amplitude[r][kSceneWidth - 1 - k];
      }
    std::vector<unsigned char> frame(kFrameBytes, 0);
    packBlock(distance, frame.data());
    packBlock(amplitude, frame.data() + kBlockBytes);
    replayFrames.push_back(std::move(frame));
  }
  if (!reader.error.empty())
    fprintf(stderr, "rangesim: %s:%ld: %s; replaying the %zu whole frames before it\n", options.replay.c_str(),
            reader.errorLine, reader.error.c_str(), replayFrames.size());
  if (replayFrames.empty()) {
    fprintf(stderr, "rangesim: %s holds no whole frame\n", options.replay.c_str());
    return false;
  }
  log("replaying %zu frames of %s%s", replayFrames.size(), options.replay.c_str(), options.loop ? " in a loop" : "");
  return true;
}

// How many frames a client gets at most; -1 for no end.
long frameLimit() {
  if (!options.replay.empty() && !options.loop) {
    const long available = (long)replayFrames.size();
    return options.frames < 0 ? available : std::min(options.frames, available);
  }
  return options.frames;
}

void buildFrame(long index, std::vector<unsigned char> &frame) {
  if (!options.replay.empty()) {
    frame = replayFrames[(size_t)index % replayFrames.size()];
    return;
  }
  static uint16_t distance[kSceneWidth * kSceneHeight], amplitude[kSceneWidth * kSceneHeight];
  renderScene(options.staticScene ? 0 : (int)index, distance, amplitude);
  if (options.hole) {
    for (int r = 2; r < 15; r++)
      for (int k = 120; k < 200; k++) distance[r * kSceneWidth + k] = 0;
  }
  packBlock(distance, frame.data());
  packBlock(amplitude, frame.data() + kBlockBytes);
  frame[2 * kBlockBytes] = (unsigned char)(index & 0xFF);
  frame[2 * kBlockBytes + 1] = 0xA5;
  frame[2 * kBlockBytes + 2] = 0x5A;
}

std::string describeCommand(const char *bytes) {
  std::string text(bytes, kCommandLength);
  size_t end = text.find_last_not_of(' ');
  text = end == std::string::npos ? std::string() : text.substr(0, end + 1);
  for (char &ch : text)
    if ((unsigned char)ch < 0x20 || (unsigned char)ch > 0x7E) ch = '?';
  return text;
}

// Returns the index into kKnownCommands, or -1.
int identifyCommand(const char *bytes) {
  for (int i = 0; i < 4; i++) {
    const size_t textLength = strlen(kKnownCommands[i]);
    if (memcmp(bytes, kKnownCommands[i], textLength) != 0) continue;
    bool padded = true;
    for (int j = (int)textLength; j < kCommandLength; j++) padded = padded && bytes[j] == ' ';
    if (padded) return i;
  }
  return -1;
}

enum { kRoi, kStart, kStop, kDisconnect };

void serveClient(int client) {
  int one = 1;
  setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
  if (options.resetOnAccept) {
    linger hard = {1, 0};
    setsockopt(client, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
    log("resetting the connection");
    close(client);
    return;
  }
  std::vector<unsigned char> frame(kFrameBytes);
  size_t frameSent = kFrameBytes;  // nothing of a frame in flight
  char pending[kCommandLength];
  int pendingBytes = 0;
  bool streaming = false;
  long framesSent = 0;
  double nextFrameAt = 0;
  const double period = 1.0 / options.fps;

  // Commands are read while a frame is on its way, so a stop is seen even
  // when the viewer has stopped reading.
  while (true) {
    const bool inFlight = frameSent < frame.size();
    const bool wantFrame = !inFlight && streaming && !options.stall &&
                           (frameLimit() < 0 || framesSent < frameLimit());
    if (wantFrame && nowSeconds() >= nextFrameAt) {
      buildFrame(framesSent, frame);
      frameSent = 0;
      continue;
    }
    int waitMs = -1;
    if (inFlight) {
      waitMs = options.chunk > 0 ? 1 : -1;
    } else if (wantFrame) {
      waitMs = (int)((nextFrameAt - nowSeconds()) * 1000) + 1;
    }
    pollfd p = {client, (short)(POLLIN | (inFlight && options.chunk == 0 ? POLLOUT : 0)), 0};
    int ready = poll(&p, 1, waitMs);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
      ssize_t n = recv(client, pending + pendingBytes, (size_t)(kCommandLength - pendingBytes), 0);
      if (n <= 0) {
        if (pendingBytes > 0) log("%d stray bytes before the close, not a whole %d-byte command", pendingBytes, kCommandLength);
        log("client closed the link after %ld frames", framesSent);
        break;
      }
      pendingBytes += (int)n;
      if (pendingBytes < kCommandLength) continue;
      pendingBytes = 0;
      const int command = identifyCommand(pending);
      if (command < 0) {
        log("unknown command \"%s\" (50 bytes), ignored", describeCommand(pending).c_str());
        continue;
      }
      log("command %s", kKnownCommands[command]);
      if (command == kRoi) {
        if (options.noRoiReply) continue;
        if (options.roiReplyDelayMs > 0) {
          usleep((useconds_t)options.roiReplyDelayMs * 1000);
          pollfd early = {client, POLLIN, 0};
          if (poll(&early, 1, 0) > 0) log("a command arrived before the roi reply was sent");
        }
        const unsigned char reply[4] = {'o', 'k', '\r', '\n'};
        if (!sendBytes(client, reply, sizeof(reply))) break;
        log("roi reply sent");
      } else if (command == kStart) {
        streaming = true;
        nextFrameAt = nowSeconds();
        if (options.closeMidBlock) {
          buildFrame(0, frame);
          sendBytes(client, frame.data(), kBlockBytes / 2);
          log("closing in the middle of a block");
          break;
        }
      } else if (command == kStop) {
        streaming = false;
        log("stopped after %ld frames", framesSent);
      } else {
        log("disconnecting after %ld frames", framesSent);
        break;
      }
      continue;
    }
    if (inFlight) {
      size_t piece = frame.size() - frameSent;
      if (options.chunk > 0 && piece > (size_t)options.chunk) piece = (size_t)options.chunk;
      ssize_t n = send(client, frame.data() + frameSent, piece, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        log("send failed: %s", strerror(errno));
        break;
      }
      if (n > 0) frameSent += (size_t)n;
      if (frameSent == frame.size()) {
        framesSent++;
        nextFrameAt += period;
        if (nextFrameAt < nowSeconds() - 1) nextFrameAt = nowSeconds();
        if (options.closeAfter >= 0 && framesSent >= options.closeAfter) {
          log("closing after %ld frames", framesSent);
          break;
        }
      }
    }
  }
  close(client);
}

}  // namespace

int main(int argc, char **argv) {
  setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  if (!parseOptions(argc, argv)) return 2;
  signal(SIGPIPE, SIG_IGN);
  if (!options.replay.empty() && !loadReplay()) return 1;
  int server = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons((uint16_t)options.port);
  if (inet_pton(AF_INET, options.address.c_str(), &address.sin_addr) != 1) {
    fprintf(stderr, "rangesim: bad address %s\n", options.address.c_str());
    return 2;
  }
  if (bind(server, (sockaddr *)&address, sizeof(address)) < 0 || listen(server, 1) < 0) {
    fprintf(stderr, "rangesim: cannot listen on %s:%d: %s\n", options.address.c_str(), options.port, strerror(errno));
    return 1;
  }
  log("listening on %s:%d", options.address.c_str(), options.port);
  while (true) {
    int client = accept(server, nullptr, nullptr);
    if (client < 0) {
      if (errno == EINTR) continue;
      fprintf(stderr, "rangesim: accept failed: %s\n", strerror(errno));
      return 1;
    }
    log("client connected");
    serveClient(client);
    log("link closed");
    if (options.once) break;
  }
  close(server);
  return 0;
}
