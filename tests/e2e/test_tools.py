"""Replay and export of recordings, end to end."""
import os
import subprocess
import tempfile
import time

from harness import BUILD, Run, check, open_windows, scenario_table, type_key

BLOCK_LINES = 75


def record(run, seconds):
    original, _, _ = open_windows(run)
    type_key(run, original, "o")
    name = run.viewer.output.wait_for(r"Writing data to file: (.*) \.\.\.\n").group(1)
    time.sleep(seconds)
    type_key(run, original, "p")
    run.viewer.output.wait_for("Record was paused")
    type_key(run, original, "q")
    run.viewer.waiting_for_enter()
    check(run.viewer.press_enter() == 0, "status is not 0")
    return os.path.join(run.viewer.cwd, name)


def blocks_of(path):
    lines = open(path, "rb").read().split(b"\r\n")[:-1]
    check(len(lines) % BLOCK_LINES == 0, "%s does not hold whole blocks" % path)
    return [b"\n".join(lines[i:i + BLOCK_LINES]) for i in range(0, len(lines), BLOCK_LINES)]


def replay_round_trip():
    with Run(sim_args=["--fps", "10"]) as run:
        original = record(run, 1.5)
    first = blocks_of(original)
    check(len(first) >= 5, "only %d frames recorded" % len(first))
    with Run(sim_args=["--replay", original, "--loop", "--fps", "10"]) as run:
        run.sim.log.wait_for("replaying %d frames" % len(first))
        again = record(run, 2.5)
    second = blocks_of(again)
    check(len(second) > len(first), "the replay was recorded for only %d frames" % len(second))
    # The second recording starts wherever the replay was; from there it must
    # run through the first recording frame after frame, looping at its end.
    check(second[0] in first, "the replayed frame is not one of the recorded frames")
    start = first.index(second[0])
    for i, block in enumerate(second):
        check(block == first[(start + i) % len(first)], "replayed block %d differs from the recording" % i)


def ply_opens_in_open3d():
    import numpy
    import open3d
    work = tempfile.mkdtemp(prefix="rangeview-ply-")
    # Two frames: distance 200 everywhere but a hole, then a ramp.
    blocks = []
    for frame in range(2):
        rows = []
        for r in range(24):
            values = []
            for c in range(320):
                if frame == 0:
                    values.append(0 if (r < 4 and c < 10) else 200)
                else:
                    values.append(1 + (r * 320 + c) % 500)
            rows.append(values)
        text = "Distance:\r\n"
        text += "".join(" ".join(map(str, row)) + " \r\n" for row in rows)
        text += "Amp:\r\n" + ("5 " * 320 + "\r\n") * 24
        text += "Rawdist:\r\n" + ("9 " * 320 + "\r\n") * 24
        blocks.append((rows, text))
    record_file = os.path.join(work, "two.txt")
    open(record_file, "w", newline="").write(blocks[0][1] + blocks[1][1])
    out = os.path.join(work, "out")
    done = subprocess.run([os.path.join(BUILD, "rangeview-export"), record_file, "--out", out, "--ply"],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    check(done.returncode == 0, "export failed: " + done.stderr)
    check(done.stdout == "exported 2 frames of %s to %s: 2 files\n" % (record_file, out), "summary: " + done.stdout)
    fx, fy = 150.2220801, 150.6335141
    cx, cy = float(numpy.float32(162.2812846)), float(numpy.float32(8.222378399999997))
    for frame, (rows, _) in enumerate(blocks):
        cloud = open3d.io.read_point_cloud(os.path.join(out, "frame_%06d.ply" % (frame + 1)))
        points = numpy.asarray(cloud.points)
        colors = numpy.asarray(cloud.colors)
        expected = [(r, c, d) for r, row in enumerate(rows) for c, d in enumerate(row) if d]
        check(len(points) == len(expected), "frame %d: %d points, expected %d" % (frame, len(points), len(expected)))
        for index in (0, 1, len(expected) // 2, len(expected) - 1):
            r, c, d = expected[index]
            sx, sy = (cx - c) / fx, (cy - r) / fy
            t = d / (sx * sx + sy * sy + 1) ** 0.5
            want = numpy.array([sx * t, sy * t, t])
            check(numpy.allclose(points[index], want, rtol=1e-5, atol=1e-4),
                  "frame %d point %d is %s, expected %s" % (frame, index, points[index], want))
            check(abs(numpy.linalg.norm(points[index]) - d) < 1e-3 * d, "point is not at its distance")
        if frame == 0:
            # 200 is yellow-green on the ramp: red (200 - 180) * 4.25 = 85, green 255, blue 0.
            check(numpy.allclose(colors[0], [85 / 255.0, 1.0, 0.0]), "colour %s" % colors[0])


scenario_table({
    "replay_round_trip": replay_round_trip,
    "ply_opens_in_open3d": ply_opens_in_open3d,
})
