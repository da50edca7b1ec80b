"""The run command's playback part: the starting engine and the per-frame driver it hooks in."""

from dataclasses import dataclass
from pathlib import Path

from kinemorphs_show.playback.layered_engine import LayeredEngine
from kinemorphs_show.playback.runner import PlaybackDriver, StateWriter, open_controller
from kinemorphs_show.playback.start import parse_cue_option, starting_engine
from kinemorphs_show.playback.state_file import SavedState, default_state_path, read_state


@dataclass
class PlaybackStart:
    show: object
    engine: LayeredEngine
    saved: SavedState | None
    state_path: Path

    def hook(self, clock):
        def start(stack, on_command, report):
            if not hasattr(self.engine, "running_cues"):
                return None  # an engine without layers (a test's stand-in) has nothing to drive
            controller, send_feedback = open_controller(self.show, stack, on_command)
            writer = StateWriter(self.state_path)
            stack.callback(writer.close)
            driver = PlaybackDriver(self.show, self.engine, clock, start_pip=self.saved.position if self.saved else 0,
                                    state_writer=writer, controller=controller, send_feedback=send_feedback,
                                    report=report)
            return lambda record: driver.on_frame(record.frame.pip)
        return start


def playback_start(show, cue: str | None, resume: bool, state_path: str | None,
                   make=LayeredEngine) -> PlaybackStart:
    """Raises ValueError (a bad --cue) or StateFileError (a state file that cannot be used), in one line."""
    path = Path(state_path) if state_path else default_state_path(show.path)
    saved = read_state(path, show) if resume else None
    chosen = parse_cue_option(cue, show) if cue is not None else None
    return PlaybackStart(show, starting_engine(show, chosen, saved, make), saved, path)
