"""Keys typed in the real windows, and recordings checked against what the simulator sent."""
import glob
import os
import re
import subprocess
import time

from harness import (BUILD, CONNECTED, HELP, STARTED, STOPPED, Run, check, expect_transcript,
                     open_windows, scenario_table, type_key)

BLOCK_LINES = 75


def expected_sections(frame):
    return subprocess.run([os.path.join(BUILD, "frame_probe"), "sections", str(frame)], check=True,
                          stdout=subprocess.PIPE, text=True).stdout.split("\n")[:50]


def check_recording(path, min_blocks):
    data = open(path, "rb").read()
    check(data.endswith(b"\r\n"), "the file does not end with a whole line")
    lines = data.split(b"\r\n")[:-1]
    check(b"\n" not in b"".join(lines), "a line end is not CR LF")
    check(len(lines) % BLOCK_LINES == 0, "%d lines are not whole frame blocks" % len(lines))
    blocks = len(lines) // BLOCK_LINES
    check(blocks >= min_blocks, "only %d frame blocks recorded" % blocks)
    text = [line.decode() for line in lines]
    first_frame = None
    for b in range(blocks):
        block = text[b * BLOCK_LINES:(b + 1) * BLOCK_LINES]
        check(block[0] == "Distance:" and block[25] == "Amp:" and block[50] == "Rawdist:",
              "block %d has wrong section lines" % b)
        for line in block[1:25] + block[26:50] + block[51:]:
            values = line.split(" ")
            check(len(values) == 321 and values[-1] == "", "a value line is not 320 values each with a space")
        if first_frame is None:
            # The recording starts at whichever frame was current when O was typed.
            for candidate in range(0, 400):
                if expected_sections(candidate) == block[25:75]:
                    first_frame = candidate
                    break
            check(first_frame is not None, "the first block matches no frame the simulator sent")
        check(block[25:75] == expected_sections(first_frame + b),
              "block %d is not frame %d as sent (frames must be consecutive)" % (b, first_frame + b))
    return blocks


def record_from_image_window_pause_from_point_cloud():
    with Run(sim_args=["--fps", "10"]) as run:
        original, _, cloud = open_windows(run)
        type_key(run, original, "o")
        name = run.viewer.output.wait_for(r"Writing data to file: (.*) \.\.\.\n").group(1)
        time.sleep(1.0)
        type_key(run, cloud, "p")
        run.viewer.output.wait_for("Record was paused")
        type_key(run, original, "h")
        run.viewer.output.wait_for(re.escape("Record was paused.\n" + HELP))
        type_key(run, cloud, "Q")
        run.viewer.waiting_for_enter()
        expect_transcript(run.viewer, CONNECTED + STARTED + "Writing data to file: %s ...\n" % name +
                          "Record was paused.\n" + HELP + STOPPED)
        check(re.fullmatch(r"\d{4}-\d\d-\d\d \d\d\uff1a\d\d\uff1a\d\d\.txt", name), "odd file name %r" % name)
        check(glob.glob(os.path.join(run.viewer.cwd, "*.txt")) == [os.path.join(run.viewer.cwd, name)],
              "the recording is not the one file in the working directory")
        check_recording(os.path.join(run.viewer.cwd, name), 3)
        check(run.viewer.press_enter() == 0, "status is not 0")


def recording_running_at_quit_is_complete(ending):
    def scenario():
        sim_args = ["--fps", "10"] + (["--close-after", "60"] if ending == "link_failure" else [])
        with Run(sim_args=sim_args) as run:
            original, _, _ = open_windows(run)
            type_key(run, original, "O")
            name = run.viewer.output.wait_for(r"Writing data to file: (.*) \.\.\.\n").group(1)
            if ending == "quit_key":
                time.sleep(1.0)
                type_key(run, original, "q")
            elif ending == "interrupt":
                time.sleep(1.0)
                run.viewer.interrupt()
            run.viewer.waiting_for_enter(timeout=30)
            # Everything is on disk while the viewer still waits for ENTER.
            blocks = check_recording(os.path.join(run.viewer.cwd, name), 2)
            run.viewer.press_enter()
            check(check_recording(os.path.join(run.viewer.cwd, name), 2) == blocks,
                  "the file changed after the run ended")
    return scenario


scenario_table({
    "record_from_image_window_pause_from_point_cloud": record_from_image_window_pause_from_point_cloud,
    "recording_at_quit_key": recording_running_at_quit_is_complete("quit_key"),
    "recording_at_interrupt": recording_running_at_quit_is_complete("interrupt"),
    "recording_at_link_failure": recording_running_at_quit_is_complete("link_failure"),
})
