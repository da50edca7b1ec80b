import json
import os
import subprocess
import sys
from pathlib import Path

import pytest

from kinemorphs_show.cli import main

from show_builders import BASE_SHOW, write_show

QUICKSTART = Path(__file__).parents[2] / "examples" / "shows" / "quickstart.toml"


def test_quickstart_is_valid_and_feasible(capsys):
    assert main(["check", str(QUICKSTART)]) == 0
    assert "ok: every fixture can follow every cue at 124 BPM" in capsys.readouterr().out


def test_feasibility_matches_a_hand_calculation(tmp_path, capsys):
    # bounce is a triangle wave: its largest per-pip step is exactly 1/16. At size 40 that is
    # 2.5° per pip; 120 BPM is 128 pips/s, so 320°/s against 240°/s, followable up to 90 BPM.
    show = BASE_SHOW.replace("max_speed = 100000", "max_speed = 240").replace('"circle"', '"bounce"')
    show = show.replace("size = 30", "size = 40")
    assert main(["check", str(write_show(tmp_path, show))]) == 1
    out = capsys.readouterr().out
    assert "a in 'circles': needs 320.0°/s, can do 240°/s; highest tempo 90.0 BPM; largest size at 120 BPM: 30°" \
        in out
    assert main(["check", str(write_show(tmp_path, show)), "--bpm", "90"]) == 0
    # At 4°/s no tempo from the lowest accepted (20 BPM) works: say so, and give the size that does.
    assert main(["check", str(write_show(tmp_path, show.replace("max_speed = 240", "max_speed = 4")))]) == 1
    out = capsys.readouterr().out
    assert "followable at no tempo from 20 BPM" in out and "BPM works; largest size at 120 BPM: 0.5°" in out


def with_pattern_file(tmp_path: Path, text: str) -> str:
    (tmp_path / "wave.csv").write_text("x,y,z\n0,0,0\n0.5,0,0\n" + text, encoding="utf-8")
    return BASE_SHOW + '\n[[patterns]]\nname = "wave"\nfile = "wave.csv"\n'


BAD_SHOWS = [
    # (change to the base show, field named, line holding the marker, words in the message)
    (("bpm = 120", "bpm = = 120"), "", "bpm = = 120", "not valid TOML"),
    (("bpm = 120", "bpm = 1000"), "show.bpm", "bpm = 1000", "at most 400"),
    (('pattern = "circle"', 'pattern = "circel"'), "cues[0].pattern", "circel",
     "unknown pattern 'circel'; closest built-in names: circle"),
    (("address = 1", "address = 511"), "fixtures[0].address", "address = 511", "run past channel 512"),
    (("address = 1", "adress = 1"), "fixtures[0].adress", "adress", "unknown field"),
    (("size = 30", 'size = 30\nspeed = "0/4"'), "cues[0].speed", 'speed = "0/4"', "ratio from 1/4096 to 1024"),
    (("size = 30", 'size = 30\n[cues.layout]\nby = "sideways"'), "cues[0].layout.by", "sideways", "must be 'order'"),
    (('name = "circles"\n', ""), "cues[0].name", "[[cues]]", "missing"),
    (("size = 30", 'size = 30\nfixtures = ["nobody"]'), "cues[0].fixtures", "nobody", "'nobody'"),
    (("size = 30", 'size = 30\naxes = { x = "pan", y = "pan" }'), "cues[0].axes", "axes", "same target"),
    (("max_speed = 100000", 'max_speed = 100000\nlimits = { pan = [10, -10] }'), "fixtures[0].limits.pan",
     "limits", "above the upper"),
    (("[[cues]]", '[[fixtures]]\nname = "a"  # again\naddress = 100\n\n[[cues]]'), "fixtures[1].name", "# again",
     "already named 'a'"),
    (("[[cues]]", '[[fixtures]]\nname = "b"\naddress = 3  # clash\n\n[[cues]]'), "fixtures[1].address", "# clash",
     "overlap fixture 'a' (1..4)"),
    (("universe = 1", 'universe = 1\nprofile = "spot"'), "fixtures[0].profile", "spot", "unknown profile 'spot'"),
    (("universe = 1", "universe = 1\nbits = 12"), "fixtures[0].bits", "bits", "must be 8 or 16"),
    (("[show]", '[profiles.wash]\npan_channel = 2  # clash\n\n[show]'), "profiles.wash.pan_channel", "# clash",
     "overlap"),
]


@pytest.mark.parametrize("change, field, marker, words", BAD_SHOWS)
def test_bad_show_files_name_file_line_and_field(tmp_path, capsys, change, field, marker, words):
    text = BASE_SHOW.replace(*change)
    path = write_show(tmp_path, text)
    line = next(number for number, row in enumerate(text.splitlines(), 1) if marker in row)
    assert main(["check", str(path)]) == 2
    error = capsys.readouterr().err
    assert f"{path}:{line}: {field}" in error
    assert words in error


@pytest.mark.parametrize("rows, words", [
    ("2,0,0\n", "Pattern samples must be finite and within [-1, 1]"),
    ("0,0\n", "exactly three values"),
])
def test_bad_user_patterns_report_the_module_error(tmp_path, capsys, rows, words):
    path = write_show(tmp_path, with_pattern_file(tmp_path, rows))
    assert main(["check", str(path)]) == 2
    assert "patterns[0].file" in capsys.readouterr().err.split(words)[0]


@pytest.mark.parametrize("file, content", [
    ("wave.csv", "# x, y, z\n0,0,0\n0.5,0,0\n1,0,0\n"),
    ("wave.json", '{"samples": [[0, 0, 0], [0.5, 0, 0], [1, 0, 0]]}'),
    ("wave.json", "[[0, 0, 0], [0.5, 0, 0], [1, 0, 0]]"),
])
def test_user_patterns_from_csv_and_json_drive_cues(tmp_path, file, content):
    from kinemorphs_show.engine import Engine
    from kinemorphs_show.showfile import load_show

    (tmp_path / file).write_text(content, encoding="utf-8")
    text = BASE_SHOW.replace('pattern = "circle"', 'pattern = "wave"')
    path = write_show(tmp_path, text + f'\n[[patterns]]\nname = "wave"\nfile = "{file}"\n')
    engine = Engine(load_show(path))
    assert [engine.frame(pip).fixtures[0].pan_deg for pip in range(4)] == [0.0, 15.0, 30.0, 0.0]


def test_render_writes_a_png_adding_the_extension(tmp_path):
    assert main(["render", str(QUICKSTART), "--bars", "3", "-o", str(tmp_path / "show")]) == 0
    assert (tmp_path / "show.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_a_failed_render_write_leaves_the_earlier_picture_whole(tmp_path, monkeypatch, capsys):
    from matplotlib.figure import Figure

    def full_disk(self, file, **_):
        file.write(b"\x89PNG half a picture")
        raise OSError(28, "No space left on device")

    out = tmp_path / "show.png"
    out.write_bytes(b"earlier picture")
    monkeypatch.setattr(Figure, "savefig", full_disk)
    assert main(["render", str(QUICKSTART), "--bars", "1", "-o", str(out)]) == 3
    assert "No space left on device" in capsys.readouterr().err
    assert out.read_bytes() == b"earlier picture" and [p.name for p in tmp_path.iterdir()] == ["show.png"]


def test_custom_eight_bit_profile_reaches_dmx(tmp_path):
    from kinemorphs_show.engine import Engine
    from kinemorphs_show.showfile import load_show

    text = BASE_SHOW.replace("[show]", '[profiles.scanner]\nbits = 8\npan_travel = 180\ntilt_travel = 90\n\n[show]')
    text = text.replace("universe = 1",
                        'universe = 1\nprofile = "scanner"\ninvert_tilt = true\nchannels = { "3" = 200 }')
    text = text.replace("address = 1", "address = 510")
    frame = Engine(load_show(write_show(tmp_path, text))).frame(16)  # circle at (1, 0): pan +30°
    assert frame.universes[1][509:512] == bytes([round((30 / 180 + 0.5) * 255), 255 - 128, 200])


def test_module_entry_point_and_usage_errors():
    done = subprocess.run([sys.executable, "-m", "kinemorphs_show", "check", str(QUICKSTART)],
                          capture_output=True, text=True)
    assert done.returncode == 0
    done = subprocess.run([sys.executable, "-m", "kinemorphs_show", "render", str(QUICKSTART)],
                          capture_output=True, text=True)
    assert done.returncode == 2 and "-o/--output" in done.stderr
    done = subprocess.run([sys.executable, "-m", "kinemorphs_show", "check", "no-such-show.toml"],
                          capture_output=True, text=True)
    assert done.returncode == 2 and "no-such-show.toml: cannot read the show file" in done.stderr


# Loaded by run only for a show that needs them (a fixture file, the web page, MIDI) or by other commands.
OPTIONAL_FOR_RUN = ["matplotlib", "aiohttp", "pygdtf", "mido", "xml.etree.ElementTree", "difflib", "csv",
                    "kinemorphs_show.web", "kinemorphs_show.fixture_files", "kinemorphs_show.render"]


@pytest.mark.parametrize("user_threads", [None, "3"])
def test_run_starts_lean(user_threads):
    """run of a plain show loads none of the optional parts, and numpy's BLAS starts no worker
    threads (they spin at start-up) unless the user chose a count."""
    env = {key: value for key, value in os.environ.items() if key != "OPENBLAS_NUM_THREADS"}
    if user_threads is not None:
        env["OPENBLAS_NUM_THREADS"] = user_threads
    probe = ("import json, os, sys; import kinemorphs_show.cli, kinemorphs_show.run.command; "
             f"from kinemorphs_show.showfile import load_show; load_show({str(QUICKSTART)!r}); "
             "print(json.dumps([os.environ['OPENBLAS_NUM_THREADS'], len(os.listdir('/proc/self/task')), "
             f"[name for name in {OPTIONAL_FOR_RUN!r} if name in sys.modules]]))")
    done = subprocess.run([sys.executable, "-c", probe], env=env, capture_output=True, text=True, check=True)
    blas_threads, threads, loaded = json.loads(done.stdout)
    assert loaded == []
    assert blas_threads == (user_threads or "1") and (user_threads or threads == 1)


@pytest.mark.parametrize("written, ratio", [('"3/4"', (3, 4)), ("0.75", (3, 4)), ("2", (2, 1)), ('"1/3"', (1, 3)),
                                            ("0.1", (1, 10))])
def test_speed_ratios_are_read_exactly(tmp_path, written, ratio):
    from fractions import Fraction

    from kinemorphs_show.showfile import load_show

    show = load_show(write_show(tmp_path, BASE_SHOW.replace("size = 30", f"size = 30\nspeed = {written}")))
    assert show.cues[0].speed == Fraction(*ratio)
