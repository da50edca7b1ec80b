"""Hostile and mistaken show files, pattern files and arguments: exit 2, one line naming file, line and field."""

import json
import os
from pathlib import Path
import signal
from contextlib import contextmanager

import pytest

from kinemorphs_show.cli import main
from kinemorphs_show.showfile import load_show
from kinemorphs_show.source_lines import key_lines

from show_builders import BASE_SHOW, write_show

MUST_FINISH_S = 20  # a guard against hanging, not a speed goal


@contextmanager
def must_finish():
    def hung(*_):
        raise AssertionError(f"did not finish within {MUST_FINISH_S} s")

    previous = signal.signal(signal.SIGALRM, hung)
    signal.alarm(MUST_FINISH_S)
    try:
        yield
    finally:
        signal.alarm(0)
        signal.signal(signal.SIGALRM, previous)


def refused(capsys, argv, words=""):
    """Run the command; expect exit 2 and one line on stderr holding words. Returns the line."""
    with must_finish():
        try:
            code = main(argv)
        except SystemExit as exit:  # argparse refuses an argument
            code = exit.code
    error = capsys.readouterr().err
    assert code == 2, error
    assert error.count("\n") == 1 and "Traceback" not in error, error
    assert words in error, error
    return error


NEIGHBOUR = '\n[[fixtures]]\nname = "b"  # here\naddress = 5\n'
HOSTILE_FIELDS = [
    # (change to the base show, field named, words in the message)
    (("bpm = 120", 'bpm = "fast"'), "show.bpm", "must be a valid number"),
    (("bpm = 120", 'bpm = 120\nframe_rate = "44"'), "show.frame_rate", "must be a valid number"),
    (("bpm = 120", "bpm = 120\nframe_rate = 0.0001"), "show.frame_rate", "at least 1"),
    (("bpm = 120", "bpm = nan"), "show.bpm", "finite"),
    (("bpm = 120", f"bpm = {'9' * 400}"), "show.bpm", "must be a valid number"),
    (("size = 30", 'size = "big"'), "cues[0].size", "must be a number or [pan, tilt]"),
    (("max_speed = 100000", 'max_speed = "360"'), "fixtures[0].max_speed", "must be a valid number"),
    (("max_speed = 100000", 'max_speed = 1\nlimits = { cone = "x" }'), "fixtures[0].limits.cone",
     "must be a valid number"),
    (("max_speed = 100000", "max_speed = 1\nlimits = { cone = 5, x = 1 }"), "fixtures[0].limits.x",
     "unknown field; expected one of cone, pan, tilt"),
    (("size = 30", f"size = 30\n{'k' * 100000} = 1"), "cues[0].kkkk", "unknown field"),
    (("size = 30", 'size = 30\nspeed = "1e400"'), "cues[0].speed", "to 1024"),
    (("size = 30", 'size = 30\nspeed = "1e30000000"'), "cues[0].speed", "such as 2"),
    (("size = 30", "size = 30\nspeed = 1e300"), "cues[0].speed", "to 1024"),
    (("size = 30", 'size = 30\nspeed = "1/999999999999"'), "cues[0].speed", "from 1/4096"),
    (("address = 1", "address = 1\nposition = [1.5e308, 0, 0]"), "fixtures[0].position", "at most 10000"),
    (("address = 1", "address = 1\nposition = [-1.5e308, 0, 0]"), "fixtures[0].position", "at least -10000"),
    (("address = 1", 'address = 1\nchannels = { "²" = 255 }'), "fixtures[0].channels.²", "channel keys are numbers"),
    (("universe = 1", "universe = 0"), "fixtures[0].universe", "at least 1"),
    (("universe = 1", "universe = 64000"), "fixtures[0].universe", "at most 63999"),
    (("bpm = 120", "bpm = 120\nsacn_priority = 201"), "show.sacn_priority", "at most 200"),
    (("bpm = 120", "bpm = 120\nosc_max_datagram = 65508"), "show.osc_max_datagram", "at most 65507"),
    (('bpm = 120\n\n[[fixtures]]\nname = "a"\nuniverse = 1',
      'bpm = 120\nartnet_base = 32767\n\n[[fixtures]]\nname = "a"\nuniverse = 2'), "show.artnet_base", "past 32767"),
    (("size = 30", 'size = 30\n[cues.layout]\nspread = "cycle"\nspread_beats = 1'), "cues[0].layout.spread",
     "drop spread_beats"),
    # Safety: home inside limits and travel; channels inside the footprint, clear of pan/tilt and neighbours.
    (("max_speed = 100000", "max_speed = 1\nhome = [0, 130]\nlimits = { tilt = [0, 110] }"), "fixtures[0].home",
     "fixture 'a': home tilt 130° is outside its limits.tilt [0, 110]"),
    (("max_speed = 100000", "max_speed = 1\nhome = [0, 1e300]"), "fixtures[0].home", "at most 720"),
    (("max_speed = 100000", "max_speed = 1\nhome = [0, 200]"), "fixtures[0].home", "outside its tilt_travel"),
    (("size = 30", "size = 30\naxes = { z = 512 }"), "cues[0].axes.z", "outside fixture 'a' (channels 1..4"),
    (("size = 30\n", f"size = 30\naxes = {{ z = 5 }}\n{NEIGHBOUR}"), "cues[0].axes.z",
     "into fixture 'b' (its channel 1)"),
    (("size = 30", "size = 30\naxes = { z = 3 }"), "cues[0].axes.z", "'a''s tilt channel"),
    (("address = 1", 'address = 1\nchannels = { "1" = 255 }'), "fixtures[0].channels.1", "its pan channel"),
    (("address = 1", 'address = 1\nchannel_count = 4\nchannels = { "6" = 255 }'), "fixtures[0].channels.6",
     "outside its 4 channels"),
    (("max_speed = 100000\n", f'max_speed = 100000\nchannels = {{ "6" = 255 }}\n{NEIGHBOUR}'), "fixtures[1].address",
     "overlap fixture 'a' (1..6)"),
    (("address = 1\n", 'address = 9\n\n[[fixtures]]\nname = "b"\naddress = 1\n\n[[fixtures]]\nname = "c"\n'
                       'address = 3\nchannel_count = 8\n'), "fixtures[2].address", "overlap fixture 'a' (9..12)"),
    (("[show]", "[profiles.wash]\npan_channel = 4\n\n[show]"), "profiles.wash.pan_channel",
     "pan_channel = 4, pan_fine_channel = 2 (assumed), tilt_channel = 3 (assumed), tilt_fine_channel = 4 (assumed)"),
]


@pytest.mark.parametrize("change, field, words", HOSTILE_FIELDS)
def test_bad_fields_exit_2_naming_line_and_field(tmp_path, capsys, change, field, words):
    text = BASE_SHOW.replace(*change)
    path = write_show(tmp_path, text)
    error = refused(capsys, ["check", str(path)], words=words)
    line = int(error.split(f"{path}:")[1].split(":")[0])
    assert error.split(f"{path}:{line}: ")[1].startswith(field), error
    # The line named holds the field's key, or opens the table it sits in.
    row = text.splitlines()[line - 1]
    assert field.split(".")[-1].split("[")[0] in row or row.startswith("[") or "# here" in row, row


@pytest.mark.parametrize("argv, words", [
    (["run", "SHOW", "--bpm", "1000"], "from 20 to 400"),
    (["run", "SHOW", "--bpm", "10"], "from 20 to 400"),
    (["check", "SHOW", "--bpm", "nan"], "from 20 to 400"),
    (["run", "SHOW", "--seconds", "inf"], "the duration"),
    (["run", "SHOW", "--output", "ftp://x"], "unknown protocol"),
    (["run", "SHOW", "--osc-in", "host:0"], "bad OSC control port"),
    (["render", "SHOW", "--bars", "100000", "-o", "x.png"], "from 1 to 256"),
    (["render", "SHOW", "--bars", "٣", "-o", "x.png"], "whole number"),
    (["render", "SHOW", "-o", "x.jpg"], "ending in .png"),
    (["render", "SHOW", "--cue", "²", "-o", "OUT"], "no cue '²'"),
])
def test_bad_arguments_exit_2_with_one_line(tmp_path, capsys, argv, words):
    show = write_show(tmp_path, BASE_SHOW)
    argv = [str(show) if item == "SHOW" else str(tmp_path / "out.png") if item == "OUT" else item for item in argv]
    refused(capsys, argv, words=words)


def deep(depth: int) -> str:
    return "[" * depth + "]" * depth


@pytest.mark.parametrize("kind", ["dev_zero", "fifo", "too_large", "deep_toml", "not_utf8"])
def test_show_files_that_are_not_plain_text_are_refused(tmp_path, capsys, kind):
    path = tmp_path / "show.toml"
    if kind == "dev_zero":
        path = "/dev/zero"
    elif kind == "fifo":
        os.mkfifo(path)
    elif kind == "too_large":
        path.write_text(BASE_SHOW + "#" * (5 * 1024 * 1024), encoding="utf-8")
    elif kind == "deep_toml":
        path.write_text(BASE_SHOW.replace("size = 30", f"size = 30\nx = {deep(5000)}"), encoding="utf-8")
    else:
        path.write_bytes(b"\xff" + BASE_SHOW.encode())
    words = "nested deeper" if kind == "deep_toml" else "cannot read the show file"
    refused(capsys, ["check", str(path)], words=words)


@pytest.mark.parametrize("file, content, words", [
    ("deep.json", deep(5000), "nested deeper"),
    ("long.json", f"[[0, 0, 0], [0.{'1' * 400}, 0, 0]]", "more than 32 characters"),
    ("long.json", f"[[0, 0, 0], [{'9' * 400}, 0, 0]]", "more than 32 characters"),
    ("big.json", "[[1e400, 0, 0]]", "finite"),
    ("odd.json", '{"samples": 5}', "a list of [x, y, z]"),
    ("bool.json", "[[true, 0, 0]]", "three numbers"),
    ("long.csv", f"0,0,0\n{'1' * 400},0,0\n", "more than 32 characters"),
    ("fifo.csv", None, "not a regular file"),
    ("/dev/zero", None, "not a regular file"),
])
def test_bad_pattern_files_are_refused(tmp_path, capsys, file, content, words):
    if file.endswith("fifo.csv"):
        os.mkfifo(tmp_path / file)
    elif content is not None:
        (tmp_path / file).write_text(content, encoding="utf-8")
    text = BASE_SHOW + f'\n[[patterns]]\nname = "mine"\nfile = "{file}"\n'
    error = refused(capsys, ["check", str(write_show(tmp_path, text))], words=words)
    assert "patterns[0].file" in error


def test_header_and_key_scan_stays_linear_on_hostile_lines():
    hostile = ['"[' + " " * 8000, "[" + " " * 8000 + "x", " " * 8000 + "x", "k" + " " * 8000 + "x"] * 20
    with must_finish():
        assert key_lines("\n".join([*hostile, "[show]", "bpm = 1"])) == {("show",): 81, ("show", "bpm"): 82}


def test_settings_outputs_and_layout_defaults_are_read(tmp_path):
    from fractions import Fraction

    from kinemorphs_show.cue import place_cue
    from kinemorphs_show.outputs import OutputKind

    from show_builders import fixtures_toml, make_show

    cues = ('[[cues]]\nname = "even"\npattern = "circle"\nsize = 10\nspeed = "1/2"\n[cues.layout]\nspread = "cycle"\n'
            '[[cues]]\nname = "mirrored"\npattern = "circle"\nsize = 10\n[cues.layout]\nmirror = true\n')
    show = make_show(tmp_path, fixtures_toml(3), cues)
    assert (show.sacn_priority, show.artnet_base, show.osc_max_datagram, show.outputs) == (100, 1, 1472, ())
    even, mirrored = (place_cue(cue, show.rig) for cue in show.cues)
    assert [p.offset_pips for p in even.placements] == [0, Fraction(128, 3), Fraction(256, 3)]
    assert mirrored.cue.layout.wings == 2
    text = BASE_SHOW.replace("bpm = 120", 'bpm = 120\noutputs = ["preview", "osc://127.0.0.1:9000"]\nsacn_priority = 7')
    show = load_show(write_show(tmp_path, text))
    assert [d.kind for d in show.outputs] == [OutputKind.PREVIEW, OutputKind.OSC] and show.sacn_priority == 7


REPOSITORY = Path(__file__).parents[2]


def test_committed_schema_and_reference_match_what_the_schema_writes(capsys):
    from kinemorphs_show.show_reference import show_file_reference

    assert main(["schema"]) == 0
    printed = capsys.readouterr().out
    assert json.loads(printed)["$schema"].startswith("http://json-schema.org/draft-04/")
    committed = REPOSITORY / "examples" / "shows" / "kinemorphs-show.schema.json"
    assert committed.read_text(encoding="utf-8") == printed, "run: kinemorphs-show schema > " + str(committed)
    reference = REPOSITORY / "docs" / "show-file.md"
    assert reference.read_text(encoding="utf-8") == show_file_reference(), \
        "run: python -m kinemorphs_show.show_reference > docs/show-file.md"
    for show in (REPOSITORY / "examples" / "shows").glob("*.toml"):
        assert show.read_text(encoding="utf-8").startswith(f"#:schema ./{committed.name}\n"), show
