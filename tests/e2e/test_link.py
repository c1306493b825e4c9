"""The viewer's start-up, frame loop, stop sequence and exit paths against the simulator."""
import re
import signal
import time

from harness import (CONNECTED, ENTER, STARTED, STOPPED, Run, check, expect_transcript,
                     fail, scenario_table)

FULL_RUN = ["roi", "getDistanceAndAmplitudeSorted", "join", "disconnect"]


def frames_flowing(run, count=5):
    # rangesim counts frames on a stop; wait long enough at 20 fps for several.
    time.sleep(count / 20.0 + 1.0)


def no_sensor():
    with Run(sim_args=None) as run:
        run.viewer.waiting_for_enter()
        expect_transcript(run.viewer, "Conneting ...\nConnect device failed!\n" + ENTER)
        check(run.viewer.press_enter() == 255, "status is not -1")


def interrupt_while_streaming():
    with Run(sim_args=[]) as run:
        run.viewer.output.wait_for("Start processing")
        frames_flowing(run)
        run.viewer.interrupt()
        run.viewer.waiting_for_enter()
        expect_transcript(run.viewer, CONNECTED + STARTED + STOPPED)
        run.sim.log.wait_for("client closed the link|disconnecting")
        check(run.sim.commands() == FULL_RUN, "simulator got %s" % run.sim.commands())
        sent = int(run.sim.log.wait_for(r"stopped after (\d+) frames").group(1))
        check(sent >= 5, "only %d frames were streamed" % sent)
        check(run.viewer.press_enter() == 0, "status is not 0")


def interrupt_during_startup():
    # The ROI reply comes late, so the interrupt lands while start-up waits for it.
    with Run(sim_args=["--roi-reply-delay", "1500"]) as run:
        run.viewer.output.wait_for("Device conneted!")
        time.sleep(0.5)
        run.viewer.interrupt()
        run.viewer.waiting_for_enter()
        expect_transcript(run.viewer, CONNECTED + STARTED + STOPPED)
        run.sim.log.wait_for("disconnecting")
        log = run.sim.log.text()
        check(run.sim.commands() == FULL_RUN, "simulator got %s" % run.sim.commands())
        check("before the roi reply" not in log, "start was sent before the ROI reply was read")
        check(run.viewer.press_enter() == 0, "status is not 0")


def start_waits_for_roi_reply():
    with Run(sim_args=["--roi-reply-delay", "800"]) as run:
        run.viewer.output.wait_for("Start processing")
        log = run.sim.log.text()
        check("before the roi reply" not in log, "start was sent before the ROI reply was read")
        check(log.index("roi reply sent") < log.index("command getDistanceAndAmplitudeSorted"),
              "start command came before the ROI reply")
        run.viewer.interrupt()
        run.viewer.waiting_for_enter()
        check(run.viewer.press_enter() == 0, "status is not 0")


def second_interrupt_ends_at_once():
    with Run(sim_args=["--stall"]) as run:
        run.viewer.output.wait_for("Start processing")
        run.viewer.interrupt()
        time.sleep(0.3)
        run.viewer.interrupt()
        status = run.viewer.process.wait(10)
        check(status == -signal.SIGINT, "the process was not ended by the second interrupt (%s)" % status)
        expect_transcript(run.viewer, CONNECTED + STARTED)
        run.sim.log.wait_for("client closed the link")
        check("join" not in run.sim.commands(), "a stop command was sent")


def sensor_closes_mid_frame():
    with Run(sim_args=["--close-mid-block"]) as run:
        run.viewer.waiting_for_enter()
        got = run.viewer.output.text()
        head = CONNECTED + STARTED
        check(got.startswith(head), "start-up transcript differs:\n" + got)
        tail = got[len(head):]
        endings = {
            "F": (r"send failed: -?\d+\nFailed to send stop command! Please cut off device's power directly\.\n", 255),
            "G": (r"send failed: -?\d+\nFailed to send disconnect command! Please cut off device's power directly\.\n", 255),
            "H": (re.escape("Device is successfully stopped and disconnected!\n"), 0),
        }
        for path, (ending, status) in endings.items():
            if re.fullmatch(r"recv failed: -?\d+\n" + ending + re.escape(ENTER), tail):
                check(run.viewer.press_enter() == status, "path %s status is wrong" % path)
                return
        fail("after the close the transcript is not recv failed then path F, G or H:\n" + tail)


def stalled_sensor_times_out():
    with Run(sim_args=["--stall"]) as run:
        run.viewer.output.wait_for("Start processing")
        started = time.time()
        run.viewer.waiting_for_enter(timeout=15)
        waited = time.time() - started
        check(4 <= waited <= 9, "the receive time-out took %.1f s" % waited)
        expect_transcript(run.viewer, CONNECTED + STARTED + "recv failed: 11\n" + STOPPED)
        run.sim.log.wait_for("disconnecting")
        check(run.sim.commands() == FULL_RUN, "simulator got %s" % run.sim.commands())
        check(run.viewer.press_enter() == 0, "status is not 0")


def missing_roi_reply_does_not_stop_startup():
    with Run(sim_args=["--no-roi-reply"]) as run:
        run.viewer.output.wait_for("Start processing", timeout=15)
        frames_flowing(run)
        run.viewer.interrupt()
        run.viewer.waiting_for_enter()
        expect_transcript(run.viewer, CONNECTED + "recv failed: 11\n" + STARTED + STOPPED)
        check(run.viewer.press_enter() == 0, "status is not 0")


def frames_in_small_pieces():
    with Run(sim_args=["--chunk", "333", "--fps", "10"]) as run:
        run.viewer.output.wait_for("Start processing")
        time.sleep(2)
        run.viewer.interrupt()
        run.viewer.waiting_for_enter()
        expect_transcript(run.viewer, CONNECTED + STARTED + STOPPED)
        check(run.viewer.press_enter() == 0, "status is not 0")


def simulator_bad_input_log():
    import socket
    from harness import Simulator
    expected = [(b"hello".ljust(50, b" "), 'unknown command "hello" (50 bytes), ignored'),
                (b"join\0".ljust(50, b" "), 'unknown command "join?" (50 bytes), ignored'),
                (b"disconnect", "10 stray bytes before the close, not a whole 50-byte command")]
    for payload, line in expected:
        sim = Simulator()
        try:
            link = socket.create_connection(("127.0.0.1", 50660))
            link.sendall(payload)
            link.close()
            sim.log.wait_for("link closed")
            check(sim.process.wait(5) == 0, "the simulator did not end cleanly")
            check("rangesim: " + line + "\n" in sim.log.text(), "no log line %r in:\n%s" % (line, sim.log.text()))
        finally:
            sim.stop()


def connection_reset_at_accept():
    with Run(sim_args=["--reset-on-accept"]) as run:
        run.viewer.waiting_for_enter()
        got = run.viewer.output.text()
        # The reset can be seen while connecting (path C), by the ROI send
        # (D) or by the ROI reply and then the start send (E).
        paths = [r"Conneting \.\.\.\nConnect device failed!\n",
                 re.escape(CONNECTED) +
                 r"send failed: -?\d+\nFailed to send roi command! Please cut off device's power and try again\.\n",
                 re.escape(CONNECTED) +
                 r"recv failed: -?\d+\nsend failed: -?\d+\n"
                 r"Failed to send start command! Please cut off device's power and try again\.\n"]
        check(any(re.fullmatch(p + re.escape(ENTER), got) for p in paths),
              "a reset link did not end in path C, D or E:\n" + got)
        check(run.viewer.press_enter() == 255, "status is not -1")


def fault_path(fault, expected_tail, status, interrupt=False, cleanup_before_message=True):
    def scenario():
        sim_args = [] if fault not in ("startup", "socket") else None
        with Run(sim_args=sim_args, program="rangeview_faults", env={"RANGEVIEW_FAULT": fault}) as run:
            if interrupt:
                run.viewer.output.wait_for("Start processing")
                frames_flowing(run, 2)
                run.viewer.interrupt()
            run.viewer.waiting_for_enter()
            expect_transcript(run.viewer, expected_tail)
            if run.sim and cleanup_before_message:
                # The link is closed before the message, so the simulator sees
                # the close while the viewer still waits for ENTER.
                run.sim.log.wait_for("client closed the link", timeout=5)
            check(run.viewer.press_enter() == status, "status is not %d" % status)
    return scenario


SEND_FAILED = "send failed: 104\n"
scenario_table({
    "no_sensor": no_sensor,
    "interrupt_while_streaming": interrupt_while_streaming,
    "interrupt_during_startup": interrupt_during_startup,
    "start_waits_for_roi_reply": start_waits_for_roi_reply,
    "second_interrupt_ends_at_once": second_interrupt_ends_at_once,
    "sensor_closes_mid_frame": sensor_closes_mid_frame,
    "stalled_sensor_times_out": stalled_sensor_times_out,
    "missing_roi_reply_does_not_stop_startup": missing_roi_reply_does_not_stop_startup,
    "frames_in_small_pieces": frames_in_small_pieces,
    "simulator_bad_input_log": simulator_bad_input_log,
    "connection_reset_at_accept": connection_reset_at_accept,
    "path_a_startup_fails": fault_path("startup", "WSAStartup failed!\n" + ENTER, 255),
    "path_b_socket_fails": fault_path("socket", "Creat socket failed!\n" + ENTER, 255),
    "path_d_roi_send_fails": fault_path(
        "send:1", CONNECTED + SEND_FAILED +
        "Failed to send roi command! Please cut off device's power and try again.\n" + ENTER, 255),
    "path_e_start_send_fails": fault_path(
        "send:2", CONNECTED + SEND_FAILED +
        "Failed to send start command! Please cut off device's power and try again.\n" + ENTER, 255),
    "path_f_stop_send_fails": fault_path(
        "send:3", CONNECTED + STARTED + SEND_FAILED +
        "Failed to send stop command! Please cut off device's power directly.\n" + ENTER, 255, interrupt=True),
    "path_g_disconnect_send_fails": fault_path(
        "send:4", CONNECTED + STARTED + SEND_FAILED +
        "Failed to send disconnect command! Please cut off device's power directly.\n" + ENTER, 255, interrupt=True),
})
