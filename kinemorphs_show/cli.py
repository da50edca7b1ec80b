"""The kinemorphs-show command: run, check and render a show file."""

import argparse
import gc
import json
import math
import os
import sys
from typing import TYPE_CHECKING
from pathlib import Path

# Before numpy loads: the show does no large linear algebra, and idle BLAS worker threads spin
# at start-up (about 0.1 s of CPU). A thread count the user set is kept.
for blas_threads in ("OPENBLAS_NUM_THREADS", "MKL_NUM_THREADS"):
    os.environ.setdefault(blas_threads, "1")

from kinemorphs_show.clock import MAX_BPM, MIN_BPM
from kinemorphs_show.cue import Cue, place_cue
from kinemorphs_show.exit_codes import SHOW_EXTRA_HINT, ExitCode
from kinemorphs_show.feasibility import Demand, demands
from kinemorphs_show.outputs.destination import ACCEPTED_FORMS, parse_output_destination

if TYPE_CHECKING:
    from kinemorphs_show.showfile import Show

PROGRAM = "kinemorphs-show"


MAX_SECONDS = 366 * 24 * 3600.0
# A picture stays readable and its memory bounded (1000 bars took 806 MB).
MAX_RENDER_BARS = 256


class OneLineParser(argparse.ArgumentParser):
    """Usage errors as one line (exit 2); --help still prints the full usage."""

    def error(self, message: str):
        self.exit(ExitCode.INVALID, f"{self.prog}: {message}\n")


def build_parser() -> argparse.ArgumentParser:
    parser = OneLineParser(prog=PROGRAM,
                                     description="Move fixtures with kinemorphs patterns from a TOML show file.")
    commands = parser.add_subparsers(dest="command", required=True)

    run = commands.add_parser("run", help="play the show to its outputs")
    run.add_argument("show", help="the show file (TOML)")
    run.add_argument("--seconds", type=duration, help="stop after this many seconds")
    run.add_argument("--bpm", type=tempo, help="start at this tempo instead of the show's "
                                               f"({MIN_BPM:g} to {MAX_BPM:g})")
    run.add_argument("--output", action="append", default=[], metavar="OUTPUT", type=output_text,
                     help=f"{ACCEPTED_FORMS}; repeatable; replaces the show's outputs")
    run.add_argument("--osc-in", metavar="[HOST:]PORT", type=osc_in_text,
                     help="also take the controls (tap, resync, next, previous, quit, bpm, nudge, cue) "
                          "as OSC messages on this UDP port (host 127.0.0.1 unless given)")
    run.add_argument("--universes", metavar="LIST",
                     help="send only these universes' DMX, e.g. 1-8,12 (a rig split over several runners)")
    run.add_argument("--start-at", metavar="TIME",
                     help="put the show's start at this instant (epoch seconds or ISO 8601 with zone), so "
                          "runners given the same time and tempo send the same frames")
    start = run.add_mutually_exclusive_group()
    start.add_argument("--cue", metavar="LAYER:CUE",
                       help="start with this cue running on that layer (names or 1-based numbers; CUE alone: "
                            "the first layer)")
    start.add_argument("--resume", action="store_true",
                       help="come back to the running cues, masters, tempo and position of the state file")
    run.add_argument("--state", metavar="FILE",
                     help="the state file written while running (default: "
                          "$XDG_STATE_HOME/kinemorphs-show/SHOW-HASH.state.json, ~/.local/state when unset)")
    # --- web page (kinemorphs_show.web) ---
    run.add_argument("--web", metavar="[HOST:]PORT", type=web_text,
                     help="serve the stage view and controls on this port (host 127.0.0.1 unless given; "
                          "any other host requires the token printed at start)")
    preview = commands.add_parser("preview", help="play the show to no outputs and watch it in the browser")
    preview.add_argument("show", help="the show file (TOML)")
    preview.add_argument("--web", metavar="[HOST:]PORT", type=web_text,
                         help="where to serve the page (default: a free port on 127.0.0.1)")
    preview.add_argument("--bpm", type=tempo, help="start at this tempo instead of the show's "
                                                   f"({MIN_BPM:g} to {MAX_BPM:g})")
    preview.add_argument("--seconds", type=duration, help="stop after this many seconds")
    preview.add_argument("--no-browser", action="store_true", help="print the page's URL without opening it")
    # --- end web page ---

    check = commands.add_parser("check", help="validate the show and report what the fixtures can follow")
    check.add_argument("show", help="the show file (TOML)")
    check.add_argument("--bpm", type=tempo,
                       help=f"check at this tempo instead of the show's ({MIN_BPM:g} to {MAX_BPM:g})")

    render = commands.add_parser("render", help="draw every fixture's path and traces to a PNG")
    render.add_argument("show", help="the show file (TOML)")
    render.add_argument("--bars", type=render_bars, default=8,
                        help=f"how many bars to draw (default 8, at most {MAX_RENDER_BARS})")
    render.add_argument("--cue", help="draw only this cue (name or 1-based number); default: every cue in turn")
    render.add_argument("-o", "--output", required=True, type=png_path, metavar="FILE.png",
                        help="the picture to write; .png is added to a name without an extension")

    commands.add_parser("schema", help="print the JSON Schema of the show file (for editors such as taplo)")
    return parser


def bounded_number(low: float, high: float, what: str):
    """An argument type: a finite number in [low, high], or one line saying what is expected."""
    def read(text: str) -> float:
        try:
            value = float(text)
        except ValueError:
            value = math.nan
        if not low <= value <= high:
            raise argparse.ArgumentTypeError(f"{what} must be a number from {low:g} to {high:g}, got {text!r}")
        return value
    return read


def bounded_integer(low: int, high: int, what: str):
    def read(text: str) -> int:
        digits = text.strip()
        if not (digits.isascii() and digits.isdigit() and low <= int(digits) <= high):
            raise argparse.ArgumentTypeError(f"{what} must be a whole number from {low} to {high}, got {text!r}")
        return int(digits)
    return read


tempo = bounded_number(MIN_BPM, MAX_BPM, "the tempo (BPM)")
duration = bounded_number(1e-3, MAX_SECONDS, "the duration (seconds)")
render_bars = bounded_integer(1, MAX_RENDER_BARS, "the number of bars")


def checked_by(parse):
    """An argument type that refuses what parse refuses (ValueError) and keeps the text as given."""
    def read(text: str) -> str:
        try:
            parse(text)
        except ValueError as error:
            raise argparse.ArgumentTypeError(str(error)) from None
        return text
    return read


output_text = checked_by(parse_output_destination)


def osc_in_text(text: str) -> str:
    from kinemorphs_show.run.live_controls import parse_osc_in

    return checked_by(parse_osc_in)(text)


def web_text(text: str) -> str:
    from kinemorphs_show.web.access import parse_web_address

    return checked_by(parse_web_address)(text)


def png_path(text: str) -> Path:
    path = Path(text)
    if not path.suffix:
        return path.with_name(path.name + ".png")
    if path.suffix.lower() != ".png":
        raise argparse.ArgumentTypeError(f"render writes PNG pictures: give a name ending in .png, got {text!r}")
    return path


def main(argv: list[str] | None = None) -> int:
    args = build_parser().parse_args(argv)
    if args.command == "run":
        # The run's modules live as long as the process: collecting cycles while they load finds next
        # to nothing, and frozen they are skipped by every collection after (0.1 s less CPU a run).
        gc.disable()
        try:
            from kinemorphs_show.run.command import run_command
        except ImportError as error:
            missing = getattr(error, "name", "") or ""
            hint = ("this installation has no run loop" if missing.startswith("kinemorphs_show")
                    else f"{error}; {SHOW_EXTRA_HINT}")
            print(f"{PROGRAM}: cannot run shows: {hint}", file=sys.stderr)
            return ExitCode.RUN_FAILED
        finally:
            gc.freeze()
            gc.enable()
        return run_command(args.show, args.seconds, args.bpm, args.output, osc_in=args.osc_in,
                           universes=args.universes, start_at=args.start_at, cue=args.cue,
                           resume=args.resume, state_path=args.state,
                           web=args.web)  # --- web page ---
    if args.command == "preview":
        try:
            from kinemorphs_show.web.preview import preview_command
        except ImportError as error:
            print(f"{PROGRAM}: cannot preview shows: {error}; {SHOW_EXTRA_HINT}", file=sys.stderr)
            return ExitCode.RUN_FAILED
        return preview_command(args.show, args.bpm, args.web, args.seconds,
                               open_browser=not args.no_browser and not os.environ.get("CI"))
    try:
        # The schema library comes with the show extra; say so rather than fail on import.
        from kinemorphs_show.show_schema import show_json_schema
        from kinemorphs_show.showfile import ShowFileError, load_show
    except ImportError as error:
        print(f"{PROGRAM}: cannot read show files: {error}; {SHOW_EXTRA_HINT}", file=sys.stderr)
        return ExitCode.RUN_FAILED
    if args.command == "schema":
        print(schema_text(show_json_schema()), end="")
        return ExitCode.OK
    try:
        show = load_show(args.show)
    except ShowFileError as error:
        print(f"{PROGRAM}: {error}", file=sys.stderr)
        return ExitCode.INVALID
    if args.command == "check":
        return check_command(show, args.bpm or show.bpm)
    return render_command(show, args)


def schema_text(schema: dict) -> str:
    """The schema as printed and as committed beside the example shows."""
    return json.dumps(schema, indent=2, ensure_ascii=False) + "\n"


def show_demands(show: "Show", bpm: float) -> tuple[Demand, ...]:
    return demands(show.patterns, tuple(place_cue(cue, show.rig) for cue in show.cues if cue.aim is None),
                   show.rig.fixtures, bpm)


def format_bpm(bpm: float) -> str:
    # Rounded down, so the tempo printed is one the fixture can follow.
    return "any BPM" if math.isinf(bpm) else f"{math.floor(bpm * 10) / 10:.1f} BPM"


def followable(highest_bpm: float) -> str:
    """The tempi up to highest_bpm, said within the range a show accepts (never below MIN_BPM)."""
    if highest_bpm < MIN_BPM:
        return f"at no tempo from {MIN_BPM:g} BPM"
    if highest_bpm >= MAX_BPM:
        return f"at every tempo up to {MAX_BPM:g} BPM"
    return f"up to {format_bpm(highest_bpm)}"


def largest_size(cue: Cue, demand: Demand) -> str:
    """The cue's size scaled to what the fixture can follow at the demand's tempo (speed grows
    in proportion to size), rounded down to a tenth of a degree."""
    scale = demand.limit_deg_s / demand.peak_deg_s
    if cue.aim is not None:  # an aim cue's size is the point's travel in metres
        return "size_m = [" + ", ".join(f"{math.floor(size * scale * 100) / 100:g}" for size in cue.aim.size_m) + "]"
    pan, tilt = (math.floor(size * scale * 10) / 10 for size in cue.size_deg)
    return f"{pan:g}°" if pan == tilt else f"[{pan:g}, {tilt:g}]°"


def check_command(show: "Show", bpm: float) -> int:
    from kinemorphs_show.aim_check import aim_findings, light_warnings

    aim_demands, unreachable = aim_findings(show, bpm)
    found = show_demands(show, bpm) + aim_demands
    print(f"{show.path}: {show.title!r}, {len(show.rig.fixtures)} fixtures, {len(show.cues)} cues, "
          f"checked at {bpm:g} BPM")
    for cue in show.cues:
        mine = [demand for demand in found if demand.cue == cue.name]
        if not mine:
            print(f"  {cue.name}: moves no fixture")
            continue
        worst = max(mine, key=lambda demand: demand.peak_deg_s / demand.limit_deg_s)
        print(f"  {cue.name}: peak {worst.peak_deg_s:.1f}°/s on {worst.fixture} "
              f"(max {worst.limit_deg_s:g}°/s), followable {followable(worst.highest_bpm)}")
    for warning in light_warnings(show):
        print(warning)
    if unreachable:
        print(f"{len(unreachable)} fixture/cue pairs aim at points out of reach (travel and limits):")
        for finding in unreachable:
            print(finding)
    from kinemorphs_show.playback.check_report import layer_lines, positions_outside

    for line in layer_lines(show):
        print(line)
    outside = positions_outside(show)
    for line in outside:
        print(f"  {line}")
    infeasible = [demand for demand in found if not demand.feasible]
    if outside and not infeasible:
        print(f"{len(outside)} position entries lie outside their fixtures' limits")
    if not infeasible and (unreachable or outside):
        return ExitCode.INFEASIBLE
    if not infeasible:
        highest = min((demand.highest_bpm for demand in found), default=math.inf)
        print(f"ok: every fixture can follow every cue at {bpm:g} BPM ({followable(highest)})")
        return ExitCode.OK
    cues = {cue.name: cue for cue in show.cues}
    print(f"{len(infeasible)} fixture/cue pairs cannot be followed at {bpm:g} BPM:")
    for demand in infeasible:
        advice = (f"highest tempo {format_bpm(demand.highest_bpm)}" if demand.highest_bpm >= MIN_BPM
                  else f"no tempo from {MIN_BPM:g} BPM works")  # never advise a tempo the show refuses
        print(f"  {demand.fixture} in {demand.cue!r}: needs {demand.peak_deg_s:.1f}°/s, can do "
              f"{demand.limit_deg_s:g}°/s; {advice}; largest size at {bpm:g} BPM: "
              f"{largest_size(cues[demand.cue], demand)}")
    return ExitCode.INFEASIBLE


def render_command(show: "Show", args) -> int:
    cue = None
    if args.cue is not None:
        names = [c.name for c in show.cues]
        number = args.cue.strip()
        if args.cue in names:
            cue = names.index(args.cue)
        elif number.isascii() and number.isdigit() and 1 <= int(number) <= len(names):
            cue = int(number) - 1
        else:
            print(f"{PROGRAM}: no cue {args.cue!r}; cues: {', '.join(names)}", file=sys.stderr)
            return ExitCode.INVALID
    try:
        from kinemorphs_show.render import render_show

        if len(show.layers) > 1 or show.timeline:
            from kinemorphs_show.playback.render_layers import render_layers as render_show  # noqa: F811
        render_show(show, args.bars, args.output, cue)
    except ImportError as error:
        print(f"{PROGRAM}: rendering needs matplotlib ({error}); {SHOW_EXTRA_HINT}", file=sys.stderr)
        return ExitCode.RUN_FAILED
    except OSError as error:
        print(f"{PROGRAM}: cannot write {args.output}: {error}", file=sys.stderr)
        return ExitCode.RUN_FAILED
    print(f"wrote {args.output}")
    return ExitCode.OK
