#include "device/protocol.h"

const char kRoiCommand[kCommandLength + 1] =        "roi 0 0 3                                         ";
const char kStartCommand[kCommandLength + 1] =      "getDistanceAndAmplitudeSorted                     ";
const char kStopCommand[kCommandLength + 1] =       "join                                              ";
const char kDisconnectCommand[kCommandLength + 1] = "disconnect                                        ";

unsigned char distanceBlock[kBlockBytes];
unsigned char amplitudeBlock[kBlockBytes];
unsigned char replyBytes[kRoiReplyBytes];
