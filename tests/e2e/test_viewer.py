"""The three windows of the real viewer under Xvfb: picking, screenshots, mouse and closing."""
import re
import time

from harness import (CONNECTED, STARTED, STOPPED, Run, Screen, check, close_window, color_of,
                     expect_transcript, open_windows, probe_pixel, scenario_table, window_origin)


def click(run, window, x, y, button=1):
    run.xdotool("mousemove", "--window", window, x, y)
    run.xdotool("click", button)


def quit_with_interrupt(run):
    run.viewer.interrupt()
    run.viewer.waiting_for_enter()
    check(run.viewer.press_enter() == 0, "status is not 0")


def picking():
    with Run(sim_args=["--static"]) as run:
        original, undistorted, _ = open_windows(run)
        pixels = [(12, 5), (0, 0), (319, 23), (200, 17)]
        expected = ""
        for x, y in pixels:
            raw, undist = probe_pixel(0, y, x)
            click(run, original, 3 * x + 1, 3 * y + 1)
            expected += "Select point: (%d, %d)\n  Original data: %d\n" % (x, y, raw)
            click(run, undistorted, 3 * x + 1, 3 * y + 1)
            expected += "Select point: (%d, %d)\n  Undistorted data: %d\n" % (x, y, undist)
            for button in (2, 3):
                click(run, original, 3 * x + 1, 3 * y + 1, button)
            run.xdotool("mousemove", "--window", original, 500, 40)
            run.viewer.output.wait_for(re.escape(expected), timeout=10)
        time.sleep(0.5)
        got = run.viewer.output.text()[len(CONNECTED + STARTED):]
        check(got == expected, "picking printed:\n%s\nexpected:\n%s" % (got, expected))
        quit_with_interrupt(run)


def original_window_shows_the_colour_map_stretched():
    with Run(sim_args=["--static"]) as run:
        original, _, _ = open_windows(run)
        ox, oy, width, height = window_origin(run, original)
        check((width, height) == (960, 72), "the window is %dx%d, not 960x72" % (width, height))
        screen = Screen(run)
        for x, y in [(12, 5), (100, 10), (250, 20), (300, 20), (30, 12), (160, 12), (200, 3)]:
            raw, _ = probe_pixel(0, y, x)
            want = color_of(raw)
            # The backend scales smoothly: the middle of each 3 x 3 block
            # carries the pixel's colour, blended a little with neighbours
            # of close distance.
            got = screen.at(ox + 3 * x + 1, oy + 3 * y + 1)
            check(all(abs(g - w) <= 24 for g, w in zip(got, want)),
                  "pixel (%d, %d) shows %s, expected %s for distance %d" % (x, y, got, want, raw))
        quit_with_interrupt(run)


def point_cloud_marker_and_mouse():
    # The hole leaves no point in front of the marker but those of no
    # distance, which cover only its middle.
    with Run(sim_args=["--static", "--hole"]) as run:
        _, _, cloud = open_windows(run)
        cx, cy, width, height = window_origin(run, cloud)
        check((width, height) == (920, 360), "the point cloud window is %dx%d" % (width, height))
        before = Screen(run)
        # With no rotation and zoom 1 the marker sits at the window's centre;
        # points of no distance cover its middle, its rim stays red.
        centre_x, centre_y = cx + width // 2, cy + height // 2
        reds = [(x, y) for x in range(centre_x - 4, centre_x + 5) for y in range(centre_y - 4, centre_y + 5)
                if before.at(x, y) == (255, 0, 0)]
        check(reds, "no red marker near the centre of the point cloud")
        region = (cx, cy, width, height)
        run.xdotool("mousemove", "--window", cloud, 460, 180)
        run.xdotool("mousedown", 1)
        for step in range(1, 11):
            run.xdotool("mousemove", "--window", cloud, 460 + 12 * step, 180 + 6 * step)
            time.sleep(0.05)
        run.xdotool("mouseup", 1)
        time.sleep(0.5)
        dragged = Screen(run)
        check(dragged.region(*region) != before.region(*region), "dragging did not change the picture")
        click(run, cloud, 460, 180, 3)  # right button resets
        time.sleep(0.5)
        reset = Screen(run)
        check(reset.region(*region) == before.region(*region), "the right button did not reset the view")
        for _ in range(3):
            click(run, cloud, 460, 180, 4)  # wheel forward zooms in
        time.sleep(0.5)
        zoomed = Screen(run)
        check(zoomed.region(*region) != before.region(*region), "the wheel did not change the picture")
        quit_with_interrupt(run)


def closing_a_window_stops_the_sensor(name):
    def scenario():
        with Run(sim_args=[]) as run:
            windows = dict(zip(["Original image", "Undistorted image", "Point Cloud"], open_windows(run)))
            close_window(run, windows[name])
            run.viewer.waiting_for_enter()
            expect_transcript(run.viewer, CONNECTED + STARTED + STOPPED)
            run.sim.log.wait_for("disconnecting")
            check(run.viewer.press_enter() == 0, "status is not 0")
    return scenario


scenario_table({
    "picking": picking,
    "original_window_shows_the_colour_map_stretched": original_window_shows_the_colour_map_stretched,
    "point_cloud_marker_and_mouse": point_cloud_marker_and_mouse,
    "close_original": closing_a_window_stops_the_sensor("Original image"),
    "close_undistorted": closing_a_window_stops_the_sensor("Undistorted image"),
    "close_point_cloud": closing_a_window_stops_the_sensor("Point Cloud"),
})
