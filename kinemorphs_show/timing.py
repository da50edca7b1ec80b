"""The musical grid: pips, beats, bars and phrases, and their relation to seconds."""

from dataclasses import dataclass
from functools import lru_cache
from enum import StrEnum
from fractions import Fraction

from kinemorphs import PIPS_PER_BEAT

NS_PER_SECOND = 1_000_000_000
# DMX refresh rate most receivers expect from a continuous stream.
DEFAULT_FRAME_RATE = 44.0
SECONDS_PER_MINUTE = 60


@dataclass(frozen=True)
class BeatGrid:
    """How beats group into bars and bars into phrases."""

    beats_per_bar: int = 4
    bars_per_phrase: int = 4

    @property
    def bar_pips(self) -> int:
        return self.beats_per_bar * PIPS_PER_BEAT

    @property
    def phrase_pips(self) -> int:
        return self.bars_per_phrase * self.bar_pips

    def unit_pips(self, unit: str) -> int:
        """Length in pips of 'beat', 'bar' or 'phrase'."""
        return {"beat": PIPS_PER_BEAT, "bar": self.bar_pips, "phrase": self.phrase_pips}[unit]

    def bar_beat(self, pip: int) -> tuple[int, int]:
        """1-based bar and beat containing the pip (bar 1 beat 1 starts at pip 0)."""
        beat = pip // PIPS_PER_BEAT
        return beat // self.beats_per_bar + 1, beat % self.beats_per_bar + 1


class GridUnit(StrEnum):
    """The grid lengths a change can wait for."""

    BEAT = "beat"
    BAR = "bar"
    PHRASE = "phrase"


FOUR_FOUR = BeatGrid()


def next_boundary(pip: int, unit_pips: int) -> int:
    """The first multiple of unit_pips at or after pip."""
    return -(-pip // unit_pips) * unit_pips


def nearest_boundary(position: Fraction, unit_pips: int) -> int:
    """The multiple of unit_pips nearest to an exact position (ties go forward)."""
    return int((position / unit_pips + Fraction(1, 2)) // 1) * unit_pips


@lru_cache(maxsize=64)  # asked for every frame, at a tempo that changes only now and then
def pips_per_ns(bpm: float) -> Fraction:
    """Exact pip rate of a tempo: the float BPM is taken at its exact binary value."""
    return Fraction(bpm) * PIPS_PER_BEAT / (SECONDS_PER_MINUTE * NS_PER_SECOND)


def exact(position: "Fraction | int") -> Fraction:
    """A position as a Fraction; one that already is one, as it is (positions are asked for every frame)."""
    return position if type(position) is Fraction else Fraction(position)


def pips_in_ms(ms: float, bpm: float) -> Fraction:
    """Exact number of pips that ms milliseconds span at a tempo."""
    return Fraction(ms) * (NS_PER_SECOND // 1000) * pips_per_ns(bpm)


def seconds_per_pip(bpm: float) -> float:
    return SECONDS_PER_MINUTE / (bpm * PIPS_PER_BEAT)
