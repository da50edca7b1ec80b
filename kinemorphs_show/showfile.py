"""Read a show file (TOML) into plain values: settings, rig, patterns and cues.

show_schema.py says what each field may hold; this module reads the file
within bounds, has the schema validate it, and checks what no single field
can: names that must exist, channels that must not collide, a home inside
the limits.
"""

import re
import tomllib
from dataclasses import dataclass, field, replace
from fractions import Fraction
from pathlib import Path

import kinemorphs
from kinemorphs import PIPS_PER_BEAT
from pydantic import ValidationError

from kinemorphs_show.aiming import Orientation
from kinemorphs_show.colour import ColourError, colour_request, colour_channels
from kinemorphs_show.cue import AimArea, Cue
from kinemorphs_show.fixture_type import FixtureType, from_profile
from kinemorphs_show.input_limits import SHOW_FILE_MAX_BYTES, InputLimitError, check_nesting, read_bounded_text
from kinemorphs_show.layout import Layout, LayoutSpread
from kinemorphs_show.mapping import AxisMapping
from kinemorphs_show.outputs.destination import OutputDestination, parse_output_destination
from kinemorphs_show.patterns import PatternSet, pattern_set, read_pattern_file
from kinemorphs_show.playback import read as playback_read
from kinemorphs_show.playback.model import Layer, MidiMap, Position, TimelineEvent
from kinemorphs_show.rig import (
    BUILT_IN_PROFILES, DMX_CHANNELS_PER_UNIVERSE, GENERIC_16BIT, BoxLimits, ConeLimits, Fixture, Profile, Rig,
)
from kinemorphs_show.show_fields import ShowFileError, Source, fail, validation_failure
from kinemorphs_show.show_schema import (
    DEFAULT_ARTNET_BASE, DEFAULT_OSC_MAX_DATAGRAM, DEFAULT_SACN_PRIORITY, MAX_ARTNET_PORT_ADDRESS, ClockKind,
    ConeLimitsTable, CueMode, CueTable, FixtureTable, Hanging, LayoutTable, ProfileFields, ProfileTable,
    ShowDocument,
)
from kinemorphs_show.source_lines import KeyPath
from kinemorphs_show.timing import BeatGrid

__all__ = ["Show", "ShowFileError", "load_show"]

SUGGESTION_COUNT = 5


@dataclass(frozen=True)
class Show:
    path: Path
    title: str
    bpm: float
    frame_rate: float
    grid: BeatGrid
    outputs: tuple[OutputDestination, ...]
    clock: ClockKind
    midi_port: str
    rig: Rig
    cues: tuple[Cue, ...]
    patterns: PatternSet = field(repr=False)
    sacn_priority: int = DEFAULT_SACN_PRIORITY
    artnet_base: int = DEFAULT_ARTNET_BASE
    osc_max_datagram: int = DEFAULT_OSC_MAX_DATAGRAM
    dark_on_exit: bool = True
    # Playbacks: a show without [[layers]] has one layer playing every cue on the whole rig.
    layers: tuple[Layer, ...] = ()
    positions: tuple[Position, ...] = ()
    midi: MidiMap | None = None
    timeline: tuple[TimelineEvent, ...] = ()
    size_master: float = 1.0


def load_show(path) -> Show:
    path = Path(path)
    try:
        text = read_bounded_text(path, SHOW_FILE_MAX_BYTES)
    except (OSError, UnicodeDecodeError, InputLimitError) as error:
        raise ShowFileError(path, None, "", f"cannot read the show file: {error}") from error
    try:
        check_nesting(text)
        document = tomllib.loads(text)
    except InputLimitError as error:
        line = re.match(r"line (\d+): (.*)", str(error))
        raise ShowFileError(path, int(line.group(1)), "", line.group(2)) from error
    except (tomllib.TOMLDecodeError, RecursionError) as error:
        position = re.search(r"at line (\d+)", str(error))
        message = re.sub(r"\s*\(at line \d+, column \d+\)", "", str(error))
        raise ShowFileError(path, int(position.group(1)) if position else None, "",
                            f"not valid TOML: {message}") from error
    return show_from_document(Source(path, text), document)


def show_from_document(source: Source, document: dict) -> Show:
    try:
        parsed = ShowDocument.model_validate(document)
    except ValidationError as error:
        raise validation_failure(source, ShowDocument, document, error) from None
    settings = parsed.show
    rig = read_rig(source, parsed)
    if rig.universes and settings.artnet_base + rig.universes[-1] - 1 > MAX_ARTNET_PORT_ADDRESS:
        raise fail(source, ("show", "artnet_base"),
                   f"universe {rig.universes[-1]} would go to Art-Net port-address "
                   f"{settings.artnet_base + rig.universes[-1] - 1}, past {MAX_ARTNET_PORT_ADDRESS}")
    patterns = read_patterns(source, parsed)
    positions = playback_read.read_positions(source, parsed.positions, rig)
    playback_read.check_cue_positions(source, parsed.cues, positions)
    layers = playback_read.read_layers(source, parsed.layers, parsed.cues, rig)
    cues = playback_read.cues_on_their_layers(read_cues(source, parsed.cues, rig, patterns), layers, rig)
    return Show(
        path=source.path,
        title=source.path.stem if settings.title is None else settings.title,
        bpm=settings.bpm,
        frame_rate=settings.frame_rate,
        grid=BeatGrid(settings.beats_per_bar, settings.bars_per_phrase),
        outputs=read_outputs(source, settings.outputs),
        clock=settings.clock,
        midi_port=settings.midi_port,
        rig=rig,
        cues=cues,
        patterns=patterns,
        sacn_priority=settings.sacn_priority,
        artnet_base=settings.artnet_base,
        osc_max_datagram=settings.osc_max_datagram,
        dark_on_exit=settings.dark_on_exit,
        layers=layers,
        positions=positions,
        midi=playback_read.read_midi(source, parsed.midi, layers, parsed.cues),
        timeline=playback_read.read_timeline(source, parsed.timeline, layers, parsed.cues),
        size_master=settings.size_master,
    )


def read_outputs(source: Source, texts: list[str]) -> tuple[OutputDestination, ...]:
    destinations = []
    for index, text in enumerate(texts):
        try:
            destinations.append(parse_output_destination(text))
        except ValueError as error:
            raise fail(source, ("show", "outputs"), f"output {index + 1}: {error}") from error
    return tuple(destinations)


def unique_names(source: Source, key: str, names: list[str]) -> None:
    seen = set()
    for index, name in enumerate(names):
        if name in seen:
            raise fail(source, (key, index, "name"), f"another entry in [[{key}]] is already named {name!r}")
        seen.add(name)


# ---- profiles -----------------------------------------------------------------------------------

def resolve_profile(source: Source, fields: ProfileFields, path: KeyPath, base: Profile) -> Profile:
    """A profile from the fields given, the rest from base; 8 bits drops the fine channels."""
    bits = fields.bits if fields.bits is not None else (16 if base.pan_fine_channel else 8)
    if bits == 8 and base.pan_fine_channel:
        base = replace(base, pan_channel=1, pan_fine_channel=0, tilt_channel=2, tilt_fine_channel=0,
                       channel_count=2)
    pan = fields.pan_channel or base.pan_channel
    tilt = fields.tilt_channel or base.tilt_channel
    pan_fine = tilt_fine = 0
    if bits == 16:
        pan_fine = fields.pan_fine_channel or base.pan_fine_channel
        tilt_fine = fields.tilt_fine_channel or base.tilt_fine_channel
        if not (pan_fine and tilt_fine):
            raise fail(source, path + ("bits",), "16-bit pan and tilt need pan_fine_channel and tilt_fine_channel")
    named = {"pan_channel": pan, "pan_fine_channel": pan_fine, "tilt_channel": tilt, "tilt_fine_channel": tilt_fine}
    used = {key: channel for key, channel in named.items() if channel}
    if len(set(used.values())) != len(used):
        assumed = [f"{key} = {channel} (assumed)" if getattr(fields, key) is None else f"{key} = {channel}"
                   for key, channel in used.items()]
        raise fail(source, path + (first_set(fields, named) or "pan_channel",),
                   f"pan and tilt channels overlap: {', '.join(assumed)}")
    highest = max(used.values())
    count = fields.channel_count or max(base.channel_count, highest)
    if count < highest:
        raise fail(source, path + ("channel_count",), f"must cover channel {highest}, got {count}")
    return replace(
        base, pan_channel=pan, tilt_channel=tilt, pan_fine_channel=pan_fine, tilt_fine_channel=tilt_fine,
        channel_count=count,
        pan_travel_deg=base.pan_travel_deg if fields.pan_travel is None else fields.pan_travel,
        tilt_travel_deg=base.tilt_travel_deg if fields.tilt_travel is None else fields.tilt_travel,
        max_speed_deg_s=base.max_speed_deg_s if fields.max_speed is None else fields.max_speed,
    )


def first_set(fields: ProfileFields, keys) -> str | None:
    return next((key for key in keys if getattr(fields, key) is not None), None)


def read_profiles(source: Source, tables: dict[str, ProfileTable]
                  ) -> tuple[dict[str, Profile | FixtureType], set[str]]:
    """The profiles by name, and the names whose channel_count was written or read from a file."""
    profiles: dict[str, Profile | FixtureType] = dict(BUILT_IN_PROFILES)
    counted = set()
    for name, table in tables.items():
        path = ("profiles", name)
        if table.gdtf is not None or table.ofl is not None:
            profiles[name] = read_fixture_file(source, table, path)
            counted.add(name)
            continue
        if table.mode is not None:
            raise fail(source, path + ("mode",), "a mode is chosen from a gdtf or ofl file; give one")
        profiles[name] = resolve_profile(source, table, path, replace(GENERIC_16BIT, name=name))
        if table.channel_count is not None:
            counted.add(name)
    return profiles, counted


# The fields that describe channels: a fixture file says them all.
CHANNEL_FIELDS = ("bits", "pan_channel", "pan_fine_channel", "tilt_channel", "tilt_fine_channel", "channel_count")


def read_fixture_file(source: Source, table: ProfileTable, path: KeyPath) -> FixtureType:
    if table.gdtf is not None and table.ofl is not None:
        raise fail(source, path + ("ofl",), "give one fixture file: gdtf or ofl, not both")
    key = "gdtf" if table.gdtf is not None else "ofl"
    refuse_channel_fields(source, table, path, "its channels come from the fixture file")
    # Here, not at the top: the readers bring zip and XML parsing, which most shows never need.
    from kinemorphs_show.fixture_files import FIXTURE_FILE_READERS, FixtureFileError

    try:
        fixture_type = FIXTURE_FILE_READERS[key](source.path.parent / getattr(table, key), table.mode)
    except FixtureFileError as error:
        raise fail(source, path + (key,), str(error)) from None
    return corrected_type(fixture_type, table)


def refuse_channel_fields(source: Source, fields: ProfileFields, path: KeyPath, why: str) -> None:
    written = first_set(fields, CHANNEL_FIELDS)
    if written is not None:
        raise fail(source, path + (written,), why)


def corrected_type(fixture_type: FixtureType, fields: ProfileFields) -> FixtureType:
    """A file's type with the travel and speed the show file writes instead."""
    return replace(
        fixture_type,
        pan=fixture_type.pan if fields.pan_travel is None else replace(fixture_type.pan, travel_deg=fields.pan_travel),
        tilt=(fixture_type.tilt if fields.tilt_travel is None
              else replace(fixture_type.tilt, travel_deg=fields.tilt_travel)),
        max_speed_deg_s=fixture_type.max_speed_deg_s if fields.max_speed is None else fields.max_speed,
    )


# ---- the rig ------------------------------------------------------------------------------------

def read_rig(source: Source, parsed: ShowDocument) -> Rig:
    profiles, counted = read_profiles(source, parsed.profiles)
    unique_names(source, "fixtures", [entry.name for entry in parsed.fixtures])
    fixtures: list[Fixture] = []
    # Per universe, the index of the fixture on each channel: each fixture is checked against the
    # channels it covers, not against every fixture before it (quadratic on a large rig).
    occupants: dict[int, list[int | None]] = {}
    for index, entry in enumerate(parsed.fixtures):
        path = ("fixtures", index)
        fixture = read_fixture(source, entry, path, profiles, counted)
        channels = range(fixture.address, fixture.last_channel + 1)
        occupied = occupants.setdefault(fixture.universe, [None] * (DMX_CHANNELS_PER_UNIVERSE + 1))
        earlier = [occupied[channel] for channel in channels if occupied[channel] is not None]
        if earlier:
            other = fixtures[min(earlier)]  # the first one listed, as the file reads
            raise fail(source, path + ("address",),
                       f"channels {fixture.address}..{fixture.last_channel} overlap fixture {other.name!r} "
                       f"({other.address}..{other.last_channel}) in universe {fixture.universe}")
        for channel in channels:
            occupied[channel] = index
        fixtures.append(fixture)
    return Rig(tuple(fixtures))


def read_fixture(source: Source, entry: FixtureTable, path: KeyPath, profiles: dict[str, Profile],
                 counted: set[str]) -> Fixture:
    if entry.profile not in profiles:
        raise fail(source, path + ("profile",), f"unknown profile {entry.profile!r}; profiles: {', '.join(profiles)}")
    base = profiles[entry.profile]
    if isinstance(base, FixtureType):
        refuse_channel_fields(source, entry, path, f"profile {entry.profile!r} is read from a fixture file, "
                                                   "which says its channels")
        profile = corrected_type(base, entry)
    else:
        profile = resolve_profile(source, entry, path, base)
    fixed = read_fixed_channels(source, entry, path, profile)
    if entry.channel_count is None and entry.profile not in counted and fixed:
        # Without a written channel_count, fixed levels widen the footprint (as the example's dimmer does).
        profile = replace(profile, channel_count=max(profile.channel_count, fixed[-1][0]))
    for channel, _ in fixed:
        if channel > profile.channel_count:
            raise fail(source, path + ("channels", str(channel)),
                       f"fixture {entry.name!r}: channel {channel} is outside its {profile.channel_count} "
                       f"channels (channel_count)")
    fixture = Fixture(
        name=entry.name, profile=profile if isinstance(profile, FixtureType) else from_profile(profile),
        universe=entry.universe, address=entry.address,
        position_m=entry.position, groups=tuple(entry.groups), home_deg=entry.home,
        invert_pan=entry.invert_pan, invert_tilt=entry.invert_tilt, swap_pan_tilt=entry.swap,
        limits=read_limits(source, entry, path), fixed_channels=fixed,
        orientation=Orientation(entry.orientation == Hanging.INVERTED, entry.pan_zero_deg),
    )
    if fixture.last_channel > DMX_CHANNELS_PER_UNIVERSE:
        raise fail(source, path + ("address",),
                   f"channels {fixture.address}..{fixture.last_channel} run past channel {DMX_CHANNELS_PER_UNIVERSE}")
    check_home(source, fixture, path)
    return fixture


def motion_channels(profile: Profile) -> dict[int, str]:
    """The relative channels pan and tilt occupy, with their names."""
    named = {profile.pan_channel: "pan", profile.pan_fine_channel: "pan fine",
             profile.tilt_channel: "tilt", profile.tilt_fine_channel: "tilt fine"}
    return {channel: name for channel, name in named.items() if channel}


def read_fixed_channels(source: Source, entry: FixtureTable, path: KeyPath,
                        profile: Profile) -> tuple[tuple[int, int], ...]:
    motion = motion_channels(profile)
    fixed = []
    for key, level in entry.channels.items():
        channel = int(key)
        if not 1 <= channel <= DMX_CHANNELS_PER_UNIVERSE:
            raise fail(source, path + ("channels", key),
                       f"channel keys are numbers 1..{DMX_CHANNELS_PER_UNIVERSE}, relative to the address")
        if channel in motion:
            raise fail(source, path + ("channels", key),
                       f"fixture {entry.name!r}: channel {channel} is its {motion[channel]} channel")
        fixed.append((channel, level))
    return tuple(sorted(fixed))


def read_limits(source: Source, entry: FixtureTable, path: KeyPath) -> BoxLimits | ConeLimits | None:
    limits = entry.limits
    if limits is None:
        return None
    if isinstance(limits, ConeLimitsTable):
        return ConeLimits(limits.cone)
    for axis in ("pan", "tilt"):
        low, high = getattr(limits, axis)
        if low > high:
            raise fail(source, path + ("limits", axis), f"the lower limit {low:g} is above the upper {high:g}")
    return BoxLimits(pan=tuple(limits.pan), tilt=tuple(limits.tilt))


def check_home(source: Source, fixture: Fixture, path: KeyPath) -> None:
    """Home is where a fixture rests and goes on every exit: it must be somewhere it may point."""
    ranges = {"pan": [(-fixture.profile.pan_travel_deg / 2, fixture.profile.pan_travel_deg / 2, "pan_travel")],
              "tilt": [(-fixture.profile.tilt_travel_deg / 2, fixture.profile.tilt_travel_deg / 2, "tilt_travel")]}
    if isinstance(fixture.limits, BoxLimits):
        ranges["pan"].append((*fixture.limits.pan, "limits.pan"))
        ranges["tilt"].append((*fixture.limits.tilt, "limits.tilt"))
    for angle, axis in zip(fixture.home_deg, ("pan", "tilt")):
        for low, high, name in ranges[axis]:
            if not low <= angle <= high:
                raise fail(source, path + ("home",),
                           f"fixture {fixture.name!r}: home {axis} {angle:g}° is outside its {name} "
                           f"[{low:g}, {high:g}]")


# ---- patterns and cues --------------------------------------------------------------------------

def read_patterns(source: Source, parsed: ShowDocument) -> PatternSet:
    user_patterns = []
    for index, entry in enumerate(parsed.patterns):
        file = source.path.parent / entry.file
        try:
            user_patterns.append(read_pattern_file(file, entry.name, entry.description))
        except (OSError, ValueError, UnicodeDecodeError) as error:
            raise fail(source, ("patterns", index, "file"),
                       f"cannot load pattern {entry.name!r} from {file}: {error}") from error
    try:
        return pattern_set(user_patterns)
    except ValueError as error:
        raise fail(source, ("patterns",), str(error)) from error


def read_cues(source: Source, tables: list[CueTable], rig: Rig, patterns: PatternSet) -> tuple[Cue, ...]:
    unique_names(source, "cues", [table.name for table in tables])
    names = {fixture.name for fixture in rig.fixtures} | {g for fixture in rig.fixtures for g in fixture.groups}
    cues = []
    for index, table in enumerate(tables):
        path = ("cues", index)
        if table.pattern not in patterns.periods:
            raise fail(source, path + ("pattern",), unknown_pattern_message(table.pattern))
        for member in table.fixtures:
            if member not in names:
                raise fail(source, path + ("fixtures",), f"no fixture or group is named {member!r}")
        members = tuple(table.fixtures)
        axes = AxisMapping(x=table.axes.x, y=table.axes.y, z=table.axes.z)
        check_axes(source, axes, path + ("axes",), rig, members)
        cue_cycle = Fraction(patterns.periods[table.pattern]) / table.speed
        cues.append(Cue(
            name=table.name, pattern=table.pattern, size_deg=read_cue_size(source, table, path), speed=table.speed,
            axes=axes, layout=read_layout(source, table.layout, path + ("layout",), cue_cycle), members=members,
            fade_beats=table.fade_beats, start=table.start, aim=read_aim_area(source, table, path),
            intensity=table.intensity, colour=read_colour(source, table, path, rig, members), position=table.position,
        ))
    return tuple(cues)


def read_cue_size(source: Source, table: CueTable, path: KeyPath) -> tuple[float, float]:
    """Degrees for an angles cue (required); an aim cue's size is in metres (size_m)."""
    if table.mode == CueMode.AIM:
        if table.size is not None:
            raise fail(source, path + ("size",), 'an aim cue moves a point: give size_m (metres), not size')
        return (0.0, 0.0)
    if table.size is None:
        raise fail(source, path, "size is required (degrees of pan and tilt)")
    for key in ("centre", "size_m"):
        if getattr(table, key) is not None:
            raise fail(source, path + (key,), f'{key} is for mode = "aim" cues')
    return table.size


def read_aim_area(source: Source, table: CueTable, path: KeyPath) -> AimArea | None:
    if table.mode != CueMode.AIM:
        return None
    for key in ("centre", "size_m"):
        if getattr(table, key) is None:
            raise fail(source, path + ("mode",), f'an aim cue needs {key} (metres: across, depth, height)')
    return AimArea(table.centre, table.size_m)


def read_colour(source: Source, table: CueTable, path: KeyPath, rig: Rig, members: tuple[str, ...]):
    """The cue's colour, refused here if any fixture it lights cannot show it."""
    if table.colour is None:
        return None
    try:
        request = colour_request(table.colour)
        indices = rig.in_groups(members) if members else range(len(rig.fixtures))
        for fixture in {rig.fixtures[i].profile: rig.fixtures[i] for i in indices}.values():
            colour_channels(fixture.profile, request)
    except ColourError as error:
        raise fail(source, path + ("colour",), str(error)) from None
    return request


def unknown_pattern_message(name: str) -> str:
    import difflib  # only for this error's suggestions

    built_in = [info["name"] for info in kinemorphs.catalogue()]
    closest = difflib.get_close_matches(name, built_in, n=SUGGESTION_COUNT, cutoff=0.5)
    hint = f"; closest built-in names: {', '.join(closest)}" if closest else ""
    return f"unknown pattern {name!r}{hint}"


def check_axes(source: Source, axes: AxisMapping, path: KeyPath, rig: Rig, members: tuple[str, ...]) -> None:
    """No two axes on one target, and every channel an axis writes inside each fixture it moves,
    clear of that fixture's pan and tilt."""
    targets = {"x": axes.x, "y": axes.y, "z": axes.z}
    used = [target for target in targets.values() if target != "none"]
    if len(used) != len(set(used)):
        written = ", ".join(f"{axis} = {target}" for axis, target in targets.items())
        raise fail(source, path, f"two axes drive the same target: {written}")
    indices = rig.in_groups(members) if members else range(len(rig.fixtures))
    for axis, channel in targets.items():
        if not isinstance(channel, int):
            continue
        for fixture in (rig.fixtures[i] for i in indices):
            absolute = fixture.address + channel - 1
            if channel > fixture.profile.channel_count:
                neighbour = channel_owner(rig, fixture.universe, absolute)
                clash = (f", into fixture {neighbour.name!r} (its channel {absolute - neighbour.address + 1})"
                         if neighbour else "")
                raise fail(source, path + (axis,),
                           f"channel {channel} is outside fixture {fixture.name!r} (channels 1.."
                           f"{fixture.profile.channel_count}, channel_count){clash}")
            motion = motion_channels(fixture.profile)
            if channel in motion:
                raise fail(source, path + (axis,),
                           f"channel {channel} is fixture {fixture.name!r}'s {motion[channel]} channel")


def channel_owner(rig: Rig, universe: int, absolute: int) -> Fixture | None:
    return next((fixture for fixture in rig.fixtures
                 if fixture.universe == universe and fixture.address <= absolute <= fixture.last_channel), None)


def read_layout(source: Source, table: LayoutTable, path: KeyPath, cue_cycle_pips: Fraction) -> Layout:
    if table.spread_beats is not None and table.spread_pips is not None:
        raise fail(source, path + ("spread_pips",), "give spread_beats or spread_pips, not both")
    given = table.spread_beats * PIPS_PER_BEAT if table.spread_beats is not None else table.spread_pips
    if table.spread == LayoutSpread.CYCLE:
        if given is not None:
            raise fail(source, path + ("spread",), 'a "cycle" spread is one pattern cycle: drop spread_beats '
                                                   "and spread_pips")
        spread_pips = cue_cycle_pips
    else:
        spread_pips = Fraction(given or 0)
    return Layout(
        by=table.by, spread_pips=spread_pips, spread=table.spread,
        wings=table.wings if table.wings is not None else (2 if table.mirror else 1),
        mirror=table.mirror, blocks=table.blocks, seed=table.seed, origin_m=table.origin,
    )
