// Frame recorder: O starts writing every frame as decimal text to a file
// named after the local time, P closes it. Each frame is one 75-line block
// (Distance, Amp, Rawdist), every line ended with CR LF and flushed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern unsigned char recording;
extern FILE *recordFile;
extern char recordFileName[64];
extern int64_t recordStartTime;

void startRecording();
void pauseRecording();
void writeFrameRecord();

// The record file name for `startTime` in local time; `attempt` 1 is the
// plain name, 2 and on add "_2", "_3" ... for names already taken.
void formatRecordFileName(char *buffer, size_t size, int64_t startTime, int attempt);
