"""The kinemorphs-show command: run, check and render a show file."""

import argparse
import math
import sys
from pathlib import Path

from kinemorphs_show.cue import place_cue
from kinemorphs_show.exit_codes import SHOW_EXTRA_HINT, ExitCode
from kinemorphs_show.feasibility import Demand, demands
from kinemorphs_show.showfile import Show, ShowFileError, load_show



def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog="kinemorphs-show",
                                     description="Move fixtures with kinemorphs patterns from a TOML show file.")
    commands = parser.add_subparsers(dest="command", required=True)

    run = commands.add_parser("run", help="play the show to its outputs")
    run.add_argument("show", help="the show file (TOML)")
    run.add_argument("--seconds", type=positive_float, help="stop after this many seconds")
    run.add_argument("--bpm", type=positive_float, help="start at this tempo instead of the show's")
    run.add_argument("--output", action="append", default=[], metavar="OUTPUT",
                     help="preview, sacn://HOST[:PORT], artnet://HOST[:PORT] or osc://HOST:PORT; "
                          "repeatable; replaces the show's outputs")
    run.add_argument("--osc-in", metavar="[HOST:]PORT",
                     help="also take the controls (tap, resync, next, previous, quit, bpm, nudge, cue) "
                          "as OSC messages on this UDP port (host 127.0.0.1 unless given)")
    run.add_argument("--universes", metavar="LIST",
                     help="send only these universes' DMX, e.g. 1-8,12 (a rig split over several runners)")
    run.add_argument("--start-at", metavar="TIME",
                     help="put the show's start at this instant (epoch seconds or ISO 8601 with zone), so "
                          "runners given the same time and tempo send the same frames")

    check = commands.add_parser("check", help="validate the show and report what the fixtures can follow")
    check.add_argument("show", help="the show file (TOML)")
    check.add_argument("--bpm", type=positive_float, help="check at this tempo instead of the show's")

    render = commands.add_parser("render", help="draw every fixture's path and traces to a PNG")
    render.add_argument("show", help="the show file (TOML)")
    render.add_argument("--bars", type=positive_int, default=8, help="how many bars to draw (default 8)")
    render.add_argument("--cue", help="draw only this cue (name or 1-based number); default: every cue in turn")
    render.add_argument("-o", "--output", required=True, type=Path, metavar="FILE.png")
    return parser


def positive_float(text: str) -> float:
    value = float(text)
    if not math.isfinite(value) or value <= 0:
        raise argparse.ArgumentTypeError(f"must be a positive number, got {text!r}")
    return value


def positive_int(text: str) -> int:
    value = int(text)
    if value <= 0:
        raise argparse.ArgumentTypeError(f"must be a positive integer, got {text!r}")
    return value


def main(argv: list[str] | None = None) -> int:
    args = build_parser().parse_args(argv)
    if args.command == "run":
        try:
            from kinemorphs_show.run.command import run_command
        except ImportError as error:
            missing = getattr(error, "name", "") or ""
            hint = ("this installation has no run loop" if missing.startswith("kinemorphs_show")
                    else f"{error}; {SHOW_EXTRA_HINT}")
            print(f"kinemorphs-show: cannot run shows: {hint}", file=sys.stderr)
            return ExitCode.RUN_FAILED
        return run_command(args.show, args.seconds, args.bpm, args.output, osc_in=args.osc_in,
                           universes=args.universes, start_at=args.start_at)
    try:
        show = load_show(args.show)
    except ShowFileError as error:
        print(f"kinemorphs-show: {error}", file=sys.stderr)
        return ExitCode.INVALID
    if args.command == "check":
        return check_command(show, args.bpm or show.bpm)
    return render_command(show, args)


def show_demands(show: Show, bpm: float) -> tuple[Demand, ...]:
    return demands(show.patterns, tuple(place_cue(cue, show.rig) for cue in show.cues), show.rig.fixtures, bpm)


def format_bpm(bpm: float) -> str:
    # Rounded down, so the tempo printed is one the fixture can follow.
    return "any BPM" if math.isinf(bpm) else f"{math.floor(bpm * 10) / 10:.1f} BPM"


def check_command(show: Show, bpm: float) -> int:
    found = show_demands(show, bpm)
    print(f"{show.path}: {show.title!r}, {len(show.rig.fixtures)} fixtures, {len(show.cues)} cues, "
          f"checked at {bpm:g} BPM")
    for cue in show.cues:
        mine = [demand for demand in found if demand.cue == cue.name]
        if not mine:
            print(f"  {cue.name}: moves no fixture")
            continue
        worst = max(mine, key=lambda demand: demand.peak_deg_s / demand.limit_deg_s)
        print(f"  {cue.name}: peak {worst.peak_deg_s:.1f}°/s on {worst.fixture} "
              f"(max {worst.limit_deg_s:g}°/s), followable up to {format_bpm(worst.highest_bpm)}")
    infeasible = [demand for demand in found if not demand.feasible]
    if not infeasible:
        highest = min((demand.highest_bpm for demand in found), default=math.inf)
        print(f"ok: every fixture can follow every cue at {bpm:g} BPM (up to {format_bpm(highest)})")
        return ExitCode.OK
    print(f"{len(infeasible)} fixture/cue pairs cannot be followed at {bpm:g} BPM:")
    for demand in infeasible:
        print(f"  {demand.fixture} in {demand.cue!r}: needs {demand.peak_deg_s:.1f}°/s, can do "
              f"{demand.limit_deg_s:g}°/s; highest tempo {format_bpm(demand.highest_bpm)}")
    return ExitCode.INFEASIBLE


def render_command(show: Show, args) -> int:
    cue = None
    if args.cue is not None:
        names = [c.name for c in show.cues]
        if args.cue in names:
            cue = names.index(args.cue)
        elif args.cue.isdigit() and 1 <= int(args.cue) <= len(names):
            cue = int(args.cue) - 1
        else:
            print(f"kinemorphs-show: no cue {args.cue!r}; cues: {', '.join(names)}", file=sys.stderr)
            return ExitCode.INVALID
    try:
        from kinemorphs_show.render import render_show

        render_show(show, args.bars, args.output, cue)
    except ImportError as error:
        print(f"kinemorphs-show: rendering needs matplotlib ({error}); {SHOW_EXTRA_HINT}", file=sys.stderr)
        return ExitCode.RUN_FAILED
    except OSError as error:
        print(f"kinemorphs-show: cannot write {args.output}: {error}", file=sys.stderr)
        return ExitCode.RUN_FAILED
    print(f"wrote {args.output}")
    return ExitCode.OK
