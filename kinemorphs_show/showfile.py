"""Read and validate a show file (TOML) into plain values: settings, rig, patterns and cues."""

import difflib
import re
import tomllib
from dataclasses import dataclass, field, replace
from fractions import Fraction
from pathlib import Path

import kinemorphs
from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.clock import MAX_BPM, MIN_BPM
from kinemorphs_show.cue import Cue
from kinemorphs_show.layout import LAYOUT_ORDERS, Layout
from kinemorphs_show.mapping import AXIS_TARGETS, AxisMapping
from kinemorphs_show.patterns import PatternSet, pattern_set, read_pattern_file
from kinemorphs_show.rig import (
    BUILT_IN_PROFILES, DMX_CHANNELS_PER_UNIVERSE, GENERIC_16BIT, BoxLimits, ConeLimits, Fixture, Profile, Rig,
)
from kinemorphs_show.show_fields import (
    ShowFileError, Source, check_known, fail, read, read_bool, read_integer, read_number, read_numbers,
    read_ratio, read_table, read_tables, read_text, read_texts,
)
from kinemorphs_show.source_lines import key_lines
from kinemorphs_show.timing import DEFAULT_FRAME_RATE, QUANTISE_UNITS, BeatGrid

__all__ = ["Show", "ShowFileError", "load_show"]

CLOCK_SOURCES = ("internal", "midi", "link")
MAX_FRAME_RATE = 1000.0
MAX_UNIVERSE = 63999  # the sACN universe range; Art-Net's is smaller and checked by the output
SUGGESTION_COUNT = 5


@dataclass(frozen=True)
class Show:
    path: Path
    title: str
    bpm: float
    frame_rate: float
    grid: BeatGrid
    outputs: list[str]
    clock: str
    midi_port: str
    rig: Rig
    cues: tuple[Cue, ...]
    patterns: PatternSet = field(repr=False)


def load_show(path) -> Show:
    path = Path(path)
    try:
        text = path.read_text(encoding="utf-8")
    except (OSError, UnicodeDecodeError) as error:
        raise ShowFileError(path, None, "", f"cannot read the show file: {error}") from error
    try:
        document = tomllib.loads(text)
    except tomllib.TOMLDecodeError as error:
        position = re.search(r"at line (\d+)", str(error))
        message = re.sub(r"\s*\(at line \d+, column \d+\)", "", str(error))
        raise ShowFileError(path, int(position.group(1)) if position else None, "",
                            f"not valid TOML: {message}") from error
    return show_from_document(Source(path, key_lines(text)), document)


def show_from_document(source: Source, document: dict) -> Show:
    check_known(source, document, (), ("show", "profiles", "patterns", "fixtures", "cues"))
    settings = read_table(source, document, (), "show")
    path = ("show",)
    check_known(source, settings, path, ("title", "bpm", "frame_rate", "beats_per_bar", "bars_per_phrase",
                                         "outputs", "clock", "midi_port"))
    grid = BeatGrid(read_integer(source, settings, path, "beats_per_bar", 4, 1, 32),
                    read_integer(source, settings, path, "bars_per_phrase", 4, 1, 64))
    outputs = list(read_texts(source, settings, path, "outputs"))
    check_outputs(source, outputs)
    profiles = read_profiles(source, read_table(source, document, (), "profiles"))
    rig = read_rig(source, read_tables(source, document, "fixtures"), profiles)
    patterns = read_patterns(source, read_tables(source, document, "patterns"))
    cues = read_cues(source, read_tables(source, document, "cues"), rig, patterns)
    return Show(
        path=source.path,
        title=read_text(source, settings, path, "title", source.path.stem),
        bpm=read_number(source, settings, path, "bpm", low=MIN_BPM, high=MAX_BPM),
        frame_rate=read_number(source, settings, path, "frame_rate", DEFAULT_FRAME_RATE, 0, MAX_FRAME_RATE,
                               above_low=True),
        grid=grid,
        outputs=outputs,
        clock=read_text(source, settings, path, "clock", "internal", CLOCK_SOURCES),
        midi_port=read_text(source, settings, path, "midi_port", ""),
        rig=rig,
        cues=cues,
        patterns=patterns,
    )


def check_outputs(source: Source, outputs: list[str]) -> None:
    """Validate output destinations with the output layer's own parser, when it is present."""
    try:
        from kinemorphs_show.outputs import parse_output_destination
    except ImportError:
        return
    for index, destination in enumerate(outputs):
        try:
            parse_output_destination(destination)
        except ValueError as error:
            raise fail(source, ("show", "outputs"), f"output {index + 1}: {error}") from error


PROFILE_KEYS = ("bits", "pan_channel", "pan_fine_channel", "tilt_channel", "tilt_fine_channel", "channel_count",
                "pan_travel", "tilt_travel", "max_speed")


def read_profiles(source: Source, table: dict) -> dict[str, Profile]:
    profiles = dict(BUILT_IN_PROFILES)
    for name, entry in table.items():
        path = ("profiles", name)
        if not isinstance(entry, dict):
            raise fail(source, path, "must be a table")
        check_known(source, entry, path, PROFILE_KEYS)
        profiles[name] = read_profile_fields(source, entry, path, replace(GENERIC_16BIT, name=name))
    return profiles


def read_profile_fields(source: Source, entry: dict, path, base: Profile) -> Profile:
    """A profile from the fields given, the rest from base; 8 bits drops the fine channels."""
    bits = read_integer(source, entry, path, "bits", 16 if base.pan_fine_channel else 8, 8, 16)
    if bits not in (8, 16):
        raise fail(source, path + ("bits",), f"must be 8 or 16, got {bits}")
    if bits == 8:
        base = replace(base, pan_channel=1, pan_fine_channel=0, tilt_channel=2, tilt_fine_channel=0,
                       channel_count=2) if base.pan_fine_channel else base

    def channel(key: str, default: int, low: int) -> int:
        return read_integer(source, entry, path, key, default, low, DMX_CHANNELS_PER_UNIVERSE)

    pan, tilt = channel("pan_channel", base.pan_channel, 1), channel("tilt_channel", base.tilt_channel, 1)
    fine = (channel("pan_fine_channel", base.pan_fine_channel, 0),
            channel("tilt_fine_channel", base.tilt_fine_channel, 0)) if bits == 16 else (0, 0)
    if bits == 16 and 0 in fine:
        raise fail(source, path + ("bits",), "16-bit pan and tilt need pan_fine_channel and tilt_fine_channel")
    used = [pan, tilt, *fine]
    if len(set(used) - {0}) != len([c for c in used if c]):
        raise fail(source, path + ("pan_channel",), f"pan and tilt channels overlap: {used}")
    count = channel("channel_count", max(base.channel_count, *used), 1)
    if count < max(used):
        raise fail(source, path + ("channel_count",), f"must cover channel {max(used)}, got {count}")
    return replace(
        base, pan_channel=pan, tilt_channel=tilt, pan_fine_channel=fine[0], tilt_fine_channel=fine[1],
        channel_count=count,
        pan_travel_deg=read_number(source, entry, path, "pan_travel", base.pan_travel_deg, 0, 720, above_low=True),
        tilt_travel_deg=read_number(source, entry, path, "tilt_travel", base.tilt_travel_deg, 0, 720,
                                    above_low=True),
        max_speed_deg_s=read_number(source, entry, path, "max_speed", base.max_speed_deg_s, 0, above_low=True),
    )


# A fixture may also override any profile field for itself.
FIXTURE_KEYS = ("name", "profile", "universe", "address", "position", "groups", "home", "invert_pan",
                "invert_tilt", "swap", "limits", "channels", *PROFILE_KEYS)


def named_entries(source: Source, key: str, entries: list[dict], known: tuple[str, ...]):
    """(path, entry, name) for each [[key]] table, checking that there is at least one, that
    every field is known and that no name repeats."""
    if not entries:
        raise fail(source, (key,), f"the show needs at least one [[{key}]] entry")
    seen = set()
    for index, entry in enumerate(entries):
        path = (key, index)
        check_known(source, entry, path, known)
        name = read_text(source, entry, path, "name")
        if name in seen:
            raise fail(source, path + ("name",), f"another entry in [[{key}]] is already named {name!r}")
        seen.add(name)
        yield path, entry, name


def read_rig(source: Source, entries: list[dict], profiles: dict[str, Profile]) -> Rig:
    fixtures = []
    for path, entry, name in named_entries(source, "fixtures", entries, FIXTURE_KEYS):
        profile_name = read_text(source, entry, path, "profile", GENERIC_16BIT.name)
        if profile_name not in profiles:
            raise fail(source, path + ("profile",),
                       f"unknown profile {profile_name!r}; profiles: {', '.join(profiles)}")
        profile = read_profile_fields(source, {k: v for k, v in entry.items() if k in PROFILE_KEYS}, path,
                                      profiles[profile_name])
        fixture = Fixture(
            name=name,
            profile=profile,
            universe=read_integer(source, entry, path, "universe", 1, 0, MAX_UNIVERSE),
            address=read_integer(source, entry, path, "address", low=1, high=DMX_CHANNELS_PER_UNIVERSE),
            position_m=read_numbers(source, entry, path, "position", 3, [0.0, 0.0, 0.0]),
            groups=read_texts(source, entry, path, "groups"),
            home_deg=read_numbers(source, entry, path, "home", 2, [0.0, 0.0]),
            invert_pan=read_bool(source, entry, path, "invert_pan"),
            invert_tilt=read_bool(source, entry, path, "invert_tilt"),
            swap_pan_tilt=read_bool(source, entry, path, "swap"),
            limits=read_limits(source, entry, path),
            fixed_channels=read_fixed_channels(source, entry, path),
        )
        if fixture.last_channel > DMX_CHANNELS_PER_UNIVERSE:
            raise fail(source, path + ("address",),
                       f"channels {fixture.address}..{fixture.last_channel} run past channel 512")
        for other in fixtures:
            if other.universe == fixture.universe and not (
                    fixture.last_channel < other.address or other.last_channel < fixture.address):
                raise fail(source, path + ("address",),
                           f"channels {fixture.address}..{fixture.last_channel} overlap fixture {other.name!r} "
                           f"({other.address}..{other.last_channel}) in universe {fixture.universe}")
        fixtures.append(fixture)
    return Rig(tuple(fixtures))


def read_limits(source: Source, entry: dict, path) -> BoxLimits | ConeLimits | None:
    if "limits" not in entry:
        return None
    limits = read_table(source, entry, path, "limits")
    path = path + ("limits",)
    if "cone" in limits:
        check_known(source, limits, path, ("cone",))
        return ConeLimits(read_number(source, limits, path, "cone", low=0))
    check_known(source, limits, path, ("pan", "tilt", "cone"))
    box = {}
    for axis in ("pan", "tilt"):
        low, high = read_numbers(source, limits, path, axis, 2, [-360.0, 360.0])
        if low > high:
            raise fail(source, path + (axis,), f"the lower limit {low:g} is above the upper {high:g}")
        box[axis] = (low, high)
    return BoxLimits(**box)


def read_fixed_channels(source: Source, entry: dict, path) -> tuple[tuple[int, int], ...]:
    channels = read_table(source, entry, path, "channels")
    fixed = []
    for key in channels:
        if not key.isdigit() or not 1 <= int(key) <= DMX_CHANNELS_PER_UNIVERSE:
            raise fail(source, path + ("channels", key), "channel keys are numbers 1..512 (relative)")
        fixed.append((int(key), read_integer(source, channels, path + ("channels",), key, low=0, high=255)))
    return tuple(sorted(fixed))


def read_patterns(source: Source, entries: list[dict]) -> PatternSet:
    user_patterns = []
    for index, entry in enumerate(entries):
        path = ("patterns", index)
        check_known(source, entry, path, ("name", "file", "description"))
        name = read_text(source, entry, path, "name")
        file = source.path.parent / read_text(source, entry, path, "file")
        try:
            user_patterns.append(read_pattern_file(file, name, read_text(source, entry, path, "description", "")))
        except (OSError, ValueError, KeyError, TypeError) as error:
            raise fail(source, path + ("file",), f"cannot load pattern {name!r} from {file}: {error}") from error
    try:
        return pattern_set(user_patterns)
    except ValueError as error:
        raise fail(source, ("patterns",), str(error)) from error


CUE_KEYS = ("name", "pattern", "size", "speed", "axes", "fixtures", "fade_beats", "start", "layout")
LAYOUT_KEYS = ("by", "spread_beats", "spread_pips", "wings", "mirror", "blocks", "seed", "origin")


def read_cues(source: Source, entries: list[dict], rig: Rig, patterns: PatternSet) -> tuple[Cue, ...]:
    names = {fixture.name for fixture in rig.fixtures} | {g for fixture in rig.fixtures for g in fixture.groups}
    cues = []
    for path, entry, name in named_entries(source, "cues", entries, CUE_KEYS):
        pattern = read_text(source, entry, path, "pattern")
        if pattern not in patterns.periods:
            raise fail(source, path + ("pattern",), unknown_pattern_message(pattern))
        members = read_texts(source, entry, path, "fixtures")
        for member in members:
            if member not in names:
                raise fail(source, path + ("fixtures",), f"no fixture or group is named {member!r}")
        cues.append(Cue(
            name=name,
            pattern=pattern,
            size_deg=read_size(source, entry, path),
            speed=read_ratio(source, entry, path, "speed", 1),
            axes=read_axes(source, entry, path),
            layout=read_layout(source, read_table(source, entry, path, "layout"), path + ("layout",)),
            members=members,
            fade_beats=read_ratio(source, entry, path, "fade_beats", 0, allow_zero=True),
            start=read_text(source, entry, path, "start", "bar", QUANTISE_UNITS),
        ))
    return tuple(cues)


def unknown_pattern_message(name: str) -> str:
    built_in = [info["name"] for info in kinemorphs.catalogue()]
    closest = difflib.get_close_matches(name, built_in, n=SUGGESTION_COUNT, cutoff=0.5)
    hint = f"; closest built-in names: {', '.join(closest)}" if closest else ""
    return f"unknown pattern {name!r}{hint}"


def read_size(source: Source, entry: dict, path) -> tuple[float, float]:
    value = read(source, entry, path, "size")
    if isinstance(value, list):
        pan, tilt = read_numbers(source, entry, path, "size", 2)
        return pan, tilt
    size = read_number(source, entry, path, "size", low=0)
    return size, size


def read_axes(source: Source, entry: dict, path) -> AxisMapping:
    axes = read_table(source, entry, path, "axes")
    path = path + ("axes",)
    check_known(source, axes, path, ("x", "y", "z"))
    targets = {}
    for axis, default in zip("xyz", (AxisMapping.x, AxisMapping.y, AxisMapping.z)):
        value = read(source, axes, path, axis, default)
        if isinstance(value, int) and not isinstance(value, bool):
            value = read_integer(source, axes, path, axis, low=1, high=DMX_CHANNELS_PER_UNIVERSE)
        elif value not in AXIS_TARGETS:
            raise fail(source, path + (axis,),
                       f"must be one of {', '.join(AXIS_TARGETS)} or a channel number, got {value!r}")
        targets[axis] = value
    used = [target for target in targets.values() if target != "none"]
    if len(used) != len(set(used)):
        raise fail(source, path, f"two axes drive the same target: {targets}")
    return AxisMapping(**targets)


def read_layout(source: Source, table: dict, path) -> Layout:
    check_known(source, table, path, LAYOUT_KEYS)
    if "spread_beats" in table and "spread_pips" in table:
        raise fail(source, path + ("spread_pips",), "give spread_beats or spread_pips, not both")
    spread = (read_ratio(source, table, path, "spread_beats", allow_zero=True) * PIPS_PER_BEAT
              if "spread_beats" in table else read_ratio(source, table, path, "spread_pips", 0, allow_zero=True))
    mirror = read_bool(source, table, path, "mirror")
    return Layout(
        by=read_text(source, table, path, "by", "order", LAYOUT_ORDERS),
        spread_pips=Fraction(spread),
        wings=read_integer(source, table, path, "wings", 2 if mirror else 1, 1, 64),
        mirror=mirror,
        blocks=read_integer(source, table, path, "blocks", 0, 0, 1024),
        seed=read_integer(source, table, path, "seed", 0),
        origin_m=read_numbers(source, table, path, "origin", 2, [0.0, 0.0]),
    )
