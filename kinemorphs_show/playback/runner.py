"""What a run adds for playbacks, frame by frame: the timeline played from the clock (with
jumps followed), the controller's pad lights, and the state file kept for --resume."""

import asyncio
import threading
import time
from collections.abc import Callable
from contextlib import AsyncExitStack
from fractions import Fraction

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.controls import Command
from kinemorphs_show.playback import timeline as timeline_module
from kinemorphs_show.playback.midi_controller import MidiController
from kinemorphs_show.playback.state_file import SavedState, encode, write_whole
from kinemorphs_show.timing import NS_PER_SECOND, pips_per_ns

STATE_INTERVAL_NS = NS_PER_SECOND // 4
# Timeline goes and releases are handed to the engine this far ahead: it holds them for their
# exact bar, so a frame that lands just after the bar never starts them late.
TIMELINE_LOOKAHEAD_PIPS = PIPS_PER_BEAT


class StateWriter:
    """Writes the newest state on a thread of its own, so the frame loop never waits for a disk."""

    def __init__(self, path) -> None:
        self._path = path
        self._pending: bytes | None = None
        self._wake = threading.Condition()
        self._closed = False
        self.error: str | None = None
        self._thread = threading.Thread(target=self._run, name="state file", daemon=True)
        self._thread.start()

    def put(self, data: bytes) -> None:
        with self._wake:
            self._pending = data
            self._wake.notify()

    def _run(self) -> None:
        while True:
            with self._wake:
                while self._pending is None and not self._closed:
                    self._wake.wait()
                data, self._pending = self._pending, None
                if data is None:
                    return
            try:
                write_whole(self._path, data)
                self.error = None
            except OSError as error:
                self.error = f"state file {self._path}: {error}"

    def close(self) -> None:
        with self._wake:
            self._closed = True
            self._wake.notify()
        self._thread.join()


class PlaybackDriver:
    """Called with every frame sent; everything it does is bounded and never blocks the loop."""

    def __init__(self, show, engine, clock, *, start_pip: int = 0, state_writer: StateWriter | None = None,
                 controller: MidiController | None = None, send_feedback: Callable | None = None,
                 now_ns: Callable[[], int] = time.monotonic_ns,
                 report: Callable[[str], None] | None = None) -> None:
        self.show, self.engine, self.clock = show, engine, clock
        self._start_cues = engine.running_cues()
        self._last_pip = start_pip
        self._queued_until = start_pip
        self._writer, self._controller, self._send_feedback = state_writer, controller, send_feedback
        self._now_ns = now_ns
        self._next_save_ns = 0
        self._report = report
        self._reported_error: str | None = None

    def on_frame(self, pip: int) -> None:
        grid, events = self.show.grid, self.show.timeline
        if pip < self._last_pip or pip - self._last_pip > grid.bar_pips:
            self._relocate(pip)
        else:
            for event in timeline_module.events_between(events, grid, self._last_pip, pip):
                if event.bpm is not None:
                    self._set_tempo(event, pip)
        horizon = pip + TIMELINE_LOOKAHEAD_PIPS
        for event in timeline_module.events_between(events, grid, max(self._queued_until, pip), horizon):
            at = timeline_module.event_pip(event, grid)
            if event.cue is not None:
                self.engine.layer_go(event.layer, event.cue, at)
            elif event.release:
                self.engine.release(event.layer, at)
        self._queued_until = max(self._queued_until, horizon)
        self._last_pip = pip
        if self._controller is not None and self._send_feedback is not None:
            for message in self._controller.feedback(self.engine.running_cues()):
                self._send_feedback(*message)
        now = self._now_ns()
        if self._writer is not None and now >= self._next_save_ns:
            self._next_save_ns = now + STATE_INTERVAL_NS
            self._writer.put(encode(self.saved_state(pip), self.show))
            error = self._writer.error
            if error is not None and error != self._reported_error and self._report is not None:
                self._report(f"{error} (resume would find an older state)")
            self._reported_error = error

    def saved_state(self, pip: int) -> SavedState:
        engine = self.engine
        count = len(engine.layer_names)
        return SavedState(pip, self.clock.bpm, engine.running_cues(),
                          tuple(engine.layer_size(i) for i in range(count)),
                          tuple(engine.layer_rate(i) for i in range(count)), engine.rig_size,
                          tuple(engine.layer_phase(i, pip) for i in range(count)))

    def _relocate(self, pip: int) -> None:
        """The clock jumped (Song Position Pointer): the look the timeline has by then, cut in."""
        state = timeline_module.state_at(self.show.timeline, self.show.grid, self._start_cues, pip)
        self.engine.restore(state.cues, position=pip)
        if state.bpm is not None:
            self.clock.set_bpm(state.bpm)
        self._queued_until = pip

    def _set_tempo(self, event, pip: int) -> None:
        """The tempo changes at the bar itself: the clock is re-anchored where the bar was."""
        at = timeline_module.event_pip(event, self.show.grid)
        now = self._now_ns()
        behind = Fraction(self.clock.position(now)) - at
        bar_ns = now - round(behind / pips_per_ns(self.clock.bpm)) if behind > 0 else now
        self.clock.set_bpm(event.bpm, bar_ns)


def open_controller(show, stack: AsyncExitStack, on_command: Callable[[Command], None]):
    """The MIDI controller of the show's [midi], its ports opened through mido (received messages are
    handed to the event loop); (controller, send_feedback) or (None, None)."""
    midi = show.midi
    if midi is None or not midi.port:
        return None, None
    import mido

    loop = asyncio.get_running_loop()
    controller = MidiController(midi, show.layers, lambda command: loop.call_soon_threadsafe(on_command, command))
    inputs = [name for name in mido.get_input_names() if midi.port in name]
    if not inputs:
        raise RuntimeError(f"no MIDI input port matches {midi.port!r}")
    port = mido.open_input(inputs[0], callback=controller.receive)
    stack.callback(port.close)
    send_feedback = None
    if midi.feedback_port:
        outputs = [name for name in mido.get_output_names() if midi.feedback_port in name]
        if not outputs:
            raise RuntimeError(f"no MIDI output port matches {midi.feedback_port!r}")
        out = mido.open_output(outputs[0])
        stack.callback(out.close)

        def send_feedback(channel: int, note: int, velocity: int) -> None:
            try:
                out.send(mido.Message("note_on", channel=channel, note=note, velocity=velocity))
            except Exception:  # a controller unplugged mid-show must not stop it
                pass
    return controller, send_feedback
