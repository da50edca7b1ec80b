"""Checks of the authored shape families that the per-family facts cannot see:
the SHA-256 behind the seeded tables, the published easing curves, the source
waveforms of the akwf tables and the purely vertical tables."""

import hashlib
import re
import shutil
import subprocess
from pathlib import Path

import pytest

import kinemorphs
from catalogue_scope import not_built

ROOT = Path(__file__).resolve().parent.parent
PRESENT = {info["name"] for info in kinemorphs.catalogue()}


def rows(name):
    if name not in PRESENT:
        not_built(name)
    period = next(info["period_pips"] for info in kinemorphs.catalogue() if info["name"] == name)
    return [kinemorphs.sample(name, pip).as_tuple() for pip in range(period)]


def seeded_value(text, slice_):
    """The derivation of the seeded tables: 8-byte slice of the digest, top 53 bits."""
    digest = hashlib.sha256(text.encode()).digest()
    bits = int.from_bytes(digest[8 * slice_:8 * slice_ + 8], "big")
    return 2.0 * ((bits >> 11) / 2.0**53) - 1.0


FIPS_VECTORS = ["abc", "", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"]
SEEDED_TEXTS = ["noise_drift_5/3", "lfo_seeded_drift/x/6"]


def test_sha256_header_matches_fips_vectors_and_seeded_values(tmp_path):
    compiler = shutil.which("c++") or shutil.which("g++")
    if compiler is None:
        pytest.skip("no C++ compiler")
    program = tmp_path / "sha.cpp"
    program.write_text(
        '#include <cstdio>\n#include "catalogue/generator/seeded_values.hpp"\n'
        "using namespace kinemorphs::generator;\n"
        "int main(int argc, char** argv) {\n"
        "  for (int i = 1; i < argc; ++i) {\n"
        "    for (auto b : sha256(argv[i])) std::printf(\"%02x\", b);\n"
        "    for (std::size_t s = 0; s < 4; ++s) std::printf(\" %.17g\", seeded_value(argv[i], s));\n"
        "    std::printf(\"\\n\");\n  }\n}\n")
    binary = tmp_path / "sha"
    subprocess.run([compiler, "-std=c++20", f"-I{ROOT / 'src'}", str(program), "-o", str(binary)], check=True)
    texts = FIPS_VECTORS + SEEDED_TEXTS
    lines = subprocess.run([str(binary), *texts], check=True, capture_output=True, text=True).stdout.splitlines()
    for text, line in zip(texts, lines, strict=True):
        digest, *values = line.split()
        assert digest == hashlib.sha256(text.encode()).hexdigest(), text
        assert [float(v) for v in values] == [seeded_value(text, s) for s in range(4)], text


def test_noise_depth_control_points_come_from_their_digests():
    # Eight control points sit on rows 0, 128, ...; each lane is an affine
    # fit of the digest values, so the rows are an exact line in them.
    table = rows("noise_depth_8")
    for lane in range(3):
        raw = [seeded_value(f"noise_depth_8/{i}", lane) for i in range(8)]
        stored = [table[128 * i][lane] for i in range(8)]
        lo, hi = raw.index(min(raw)), raw.index(max(raw))
        slope = (stored[hi] - stored[lo]) / (raw[hi] - raw[lo])
        predicted = [stored[lo] + slope * (r - raw[lo]) for r in raw]
        assert stored == pytest.approx(predicted, abs=2e-12), lane


# Reference points of d3-ease's bounceOut and of backIn with overshoot 4
# (t^2 * ((s + 1) * t - s) at t = 0.5).
BOUNCE_OUT = {0.25: 0.47265625, 0.5: 0.765625}
BACK_IN_HALF = -0.375


@pytest.mark.parametrize("name, pip, expected", [
    ("ease_rebound", 64, -0.78 + 1.56 * BOUNCE_OUT[0.5]),
    ("ease_rebound", 32, -0.78 + 1.56 * BOUNCE_OUT[0.25]),
    ("ease_rebound", 192, 0.78 - 1.56 * BOUNCE_OUT[0.5]),
    ("ease_anticipate", 64, 0.8 * BACK_IN_HALF),
    ("ease_anticipate", 128, 0.8),
])
def test_ease_loops_follow_the_published_curves(name, pip, expected):
    assert rows(name)[pip][0] == pytest.approx(expected, abs=1e-12)


def test_ease_overshoot_returns_as_the_mirror_of_its_outward_move():
    table = rows("ease_overshoot")
    assert all(table[k + 128][0] == -table[k][0] for k in range(128))


def akwf_sources():
    text = (ROOT / "src/catalogue/generator/families/akwf_waveforms.inc").read_text()
    blocks = re.findall(r"\{([^}]*)\}", text)
    return [[int(v) for v in re.findall(r"-?\d+", block)] for block in blocks]


@pytest.mark.parametrize("index, name", enumerate(
    ["akwf_round_saw", "akwf_quick_return", "akwf_multi_lobe", "akwf_plateau"]))
def test_akwf_rows_are_the_scaled_source_waveform(index, name):
    source = akwf_sources()[index]
    peak = max(abs(v) for v in source)
    expected = [round((v * 0.85) / peak, 12) for v in source]
    actual = [row[0] for row in rows(name)]
    # Only a reset steeper than one pip may move, and at most one point of it.
    assert len(source) == len(actual) == 256
    assert sum(a != e for a, e in zip(actual, expected)) <= 1


@pytest.mark.parametrize("name", ["lfo_double_pump", "env_lift_hold_drop", "env_four_breaths"])
def test_vertical_tables_keep_x_at_zero(name):
    assert all(row[0] == 0.0 for row in rows(name))
