"""The show file's schema: every table and field, its type, bounds and default, in one place.

pydantic validates a parsed TOML document against these models and writes the
JSON Schema that editors and the reference are made from. Only what one field
can say about itself lives here; checks across fields (channels that collide,
a home outside the limits, names that must exist) are in showfile.py.
"""

import math
import re
from enum import StrEnum
from fractions import Fraction
from typing import Annotated, Any, Literal

from pydantic import (
    BaseModel, ConfigDict, Discriminator, Field, PlainSerializer, PlainValidator, Strict, StringConstraints, Tag,
    WithJsonSchema,
)
from pydantic_core import PydanticCustomError

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.clock import MAX_BPM, MIN_BPM
from kinemorphs_show.layout import LayoutOrder, LayoutSpread
from kinemorphs_show.mapping import AXIS_TARGETS
from kinemorphs_show.rig import DMX_CHANNELS_PER_UNIVERSE
from kinemorphs_show.timing import DEFAULT_FRAME_RATE, GridUnit

MIN_FRAME_RATE = 1.0
MAX_FRAME_RATE = 1000.0
MAX_UNIVERSE = 63999          # the sACN universe range; Art-Net port-addresses are checked against artnet_base
MAX_ARTNET_PORT_ADDRESS = 32767
DEFAULT_ARTNET_BASE = 1      # the show's universe u goes to Art-Net port-address u
DEFAULT_SACN_PRIORITY = 100
MAX_SACN_PRIORITY = 200
# An Ethernet MTU (1500) less the IPv4 and UDP headers; the UDP payload limit is 65507.
DEFAULT_OSC_MAX_DATAGRAM = 1472
MIN_OSC_MAX_DATAGRAM = 64
MAX_OSC_MAX_DATAGRAM = 65507
MAX_TRAVEL_DEG = 720.0
MAX_SPEED_DEG_S = 100_000.0
MAX_STAGE_M = 10_000.0        # positions and origins: far beyond any stage, far below overflow
MAX_SIZE_DEG = 720.0
MAX_SPEED_RATIO = 1024
MIN_SPEED_RATIO = Fraction(1, 4096)  # a one-beat pattern stretched over 1024 bars
MAX_BEATS = 65536             # fades and spreads
MAX_NAME_LENGTH = 200
# Counts: far beyond a real rig, small enough that a hostile file fails fast.
MAX_FIXTURES = 16384
MAX_ENTRIES = 4096            # cues, patterns, profiles
MAX_NAMES = 1024              # groups of a fixture, fixtures of a cue
MAX_OUTPUTS = 64
MAX_RATIO_TEXT = 40
MAX_MASTER = 2.0              # a size master's 200 %

AxisTarget = StrEnum("AxisTarget", {target.upper(): target for target in AXIS_TARGETS})


class Hanging(StrEnum):
    UPRIGHT = "upright"
    INVERTED = "inverted"


class CueMode(StrEnum):
    ANGLES = "angles"
    AIM = "aim"


class ClockKind(StrEnum):
    INTERNAL = "internal"
    MIDI = "midi"
    LINK = "link"


class Table(BaseModel):
    # defer_build: a table's validator is made when first used, and a show validates only
    # ShowDocument, whose validator holds the tables within it (14 ms less at start-up).
    model_config = ConfigDict(extra="forbid", frozen=True, use_attribute_docstrings=True, defer_build=True)


def bounded(kind, low=None, high=None, *, above=None):
    """An int or float of exactly that type (a bool or a string is refused, an int is a float),
    finite and within the bounds given."""
    return Annotated[kind, Strict(), Field(ge=low, le=high, gt=above, allow_inf_nan=False)]


Text = Annotated[str, Strict(), StringConstraints(max_length=MAX_NAME_LENGTH)]
Name = Annotated[str, Strict(), StringConstraints(min_length=1, max_length=MAX_NAME_LENGTH)]
Flag = Annotated[bool, Strict()]
Channel = bounded(int, 1, DMX_CHANNELS_PER_UNIVERSE)
Degrees = bounded(float, -MAX_TRAVEL_DEG, MAX_TRAVEL_DEG)
Metres = bounded(float, -MAX_STAGE_M, MAX_STAGE_M)
DegreePair = tuple[Degrees, Degrees]
StageSize = bounded(float, 0, MAX_STAGE_M)
# A fixed channel's key: a relative channel number written as a TOML key ("5").
ChannelKey = Annotated[str, Strict(), StringConstraints(pattern=r"^[0-9]{1,3}$")]

# A decimal such as 0.75 or 1e-3, or a fraction such as 3/4, written short enough that reading it
# exactly stays cheap (a long exponent would make Fraction build a huge integer).
RATIO_BODY = r"[0-9]{1,12}(\.[0-9]{0,12})?([eE][-+]?[0-9]{1,3})?(\s*/\s*[0-9]{1,12})?"
RATIO_TEXT = re.compile(rf"\s*{RATIO_BODY}\s*")


def ratio_type(low: Fraction, high: int, description: str):
    """An exact ratio in [low, high] from an integer, a decimal number or a string 'a/b'."""
    def read(value: Any) -> Fraction:
        ratio = None
        if isinstance(value, int) and not isinstance(value, bool):
            ratio = Fraction(value)
        elif isinstance(value, float) and math.isfinite(value):
            ratio = Fraction(repr(value))  # the decimal as written: 0.1 is 1/10, not its binary approximation
        elif isinstance(value, str) and len(value) <= MAX_RATIO_TEXT and RATIO_TEXT.fullmatch(value):
            try:
                ratio = Fraction(value.strip().replace(" ", ""))
            except ZeroDivisionError:
                ratio = None
        if ratio is None or not low <= ratio <= high:
            raise PydanticCustomError(
                "ratio", "must be a ratio from {low} to {high}, such as 2, 0.75 or \"3/4\"",
                {"low": str(low), "high": high})
        return ratio

    schema = {"description": description, "anyOf": [
        {"type": "number", "minimum": float(low), "maximum": high},
        {"type": "string", "pattern": rf"^\s*{RATIO_BODY}\s*$", "maxLength": MAX_RATIO_TEXT}]}
    return Annotated[Fraction, PlainValidator(read), PlainSerializer(ratio_text), WithJsonSchema(schema)]


def ratio_text(ratio: Fraction) -> int | str:
    """A ratio as it would be written in the show file: 2 or "3/4"."""
    return ratio.numerator if ratio.denominator == 1 else f"{ratio.numerator}/{ratio.denominator}"


def read_size(value: Any) -> tuple[float, float]:
    """One number for pan and tilt alike, or [pan, tilt]."""
    numbers = [value] if not isinstance(value, list) else value
    if (len(numbers) in ((1,) if not isinstance(value, list) else (2,))
            and all(isinstance(n, (int, float)) and not isinstance(n, bool) and 0 <= n <= MAX_SIZE_DEG
                    for n in numbers)):
        pan, tilt = numbers * 2 if len(numbers) == 1 else numbers
        return float(pan), float(tilt)
    raise PydanticCustomError("size", "must be a number or [pan, tilt] of numbers from 0 to {high}",
                              {"high": f"{MAX_SIZE_DEG:g}"})


SIZE_NUMBER = {"type": "number", "minimum": 0, "maximum": MAX_SIZE_DEG}
Size = Annotated[tuple[float, float], PlainValidator(read_size), WithJsonSchema({
    "description": "degrees of pan and tilt for a full displacement (1): one number for both, or [pan, tilt]",
    "anyOf": [SIZE_NUMBER, {"type": "array", "items": SIZE_NUMBER, "minItems": 2, "maxItems": 2}]})]
SpeedRatio = ratio_type(MIN_SPEED_RATIO, MAX_SPEED_RATIO, "pattern pips per show pip, exact: 2, 0.75 or \"3/4\"")
Beats = ratio_type(Fraction(0), MAX_BEATS, "beats, exact: 2, 0.5 or \"1/3\"")
Pips = ratio_type(Fraction(0), MAX_BEATS * PIPS_PER_BEAT, "pips (64 per beat), exact")


class Settings(Table):
    """The show's tempo, grid, outputs and clock."""

    title: Text | None = None
    """the show's name (default: the file name without .toml); also the sACN source name"""
    bpm: bounded(float, MIN_BPM, MAX_BPM)
    """the internal clock's starting tempo; tap, --bpm or OSC change it live"""
    frame_rate: bounded(float, MIN_FRAME_RATE, MAX_FRAME_RATE) = DEFAULT_FRAME_RATE
    """frames per second sent to the outputs"""
    beats_per_bar: bounded(int, 1, 32) = 4
    """the beat grid that cues start on and that render draws"""
    bars_per_phrase: bounded(int, 1, 64) = 4
    """cues can start on the next beat, bar or phrase"""
    outputs: Annotated[list[Text], Field(max_length=MAX_OUTPUTS)] = []
    """where frames go: "preview", "sacn://HOST[:PORT]", "sacn://" (multicast), "artnet://HOST[:PORT]",
    "osc://HOST:PORT"; empty: the terminal preview. --output replaces them."""
    clock: ClockKind = ClockKind.INTERNAL
    """"internal", "midi" (follow a MIDI clock on midi_port) or "link" (Ableton Link)"""
    midi_port: Text = ""
    """the MIDI input port's name, for clock = "midi\""""
    sacn_priority: bounded(int, 0, MAX_SACN_PRIORITY) = DEFAULT_SACN_PRIORITY
    """sACN priority of every universe sent; a receiver takes the highest-priority source"""
    artnet_base: bounded(int, 0, MAX_ARTNET_PORT_ADDRESS) = DEFAULT_ARTNET_BASE
    """the Art-Net port-address (net × 256 + sub-net × 16 + universe) that the show's universe 1 goes to;
    universe u goes to artnet_base + u - 1"""
    osc_max_datagram: bounded(int, MIN_OSC_MAX_DATAGRAM, MAX_OSC_MAX_DATAGRAM) = DEFAULT_OSC_MAX_DATAGRAM
    """the largest OSC datagram sent, in bytes; a frame that does not fit is split into several bundles"""
    dark_on_exit: Flag = True
    """after every way out has sent the fixtures home, close their shutters and dimmers (types with neither
    are left as they are)"""
    size_master: bounded(float, 0, MAX_MASTER) = 1.0
    """the rig-wide size master at the start: 0 to 2 (200 %) of every cue's size"""


class ProfileFields(Table):
    """A fixture type: where pan and tilt are, how far they travel and how fast. Channels are
    1-based and relative to the fixture's address."""

    bits: Literal[8, 16] | None = None
    """8 or 16 (default 16, as the built-in profile: pan 1, pan fine 2, tilt 3, tilt fine 4)"""
    pan_channel: Channel | None = None
    """default 1"""
    pan_fine_channel: Channel | None = None
    """16-bit only (default 2, as the built-in profile)"""
    tilt_channel: Channel | None = None
    """default 3 (16-bit) or 2 (8-bit)"""
    tilt_fine_channel: Channel | None = None
    """16-bit only (default 4, as the built-in profile)"""
    channel_count: Channel | None = None
    """how many channels the fixture occupies from its address (default: up to its highest pan/tilt channel)"""
    pan_travel: bounded(float, high=MAX_TRAVEL_DEG, above=0) | None = None
    """degrees from one end of pan to the other (default 540)"""
    tilt_travel: bounded(float, high=MAX_TRAVEL_DEG, above=0) | None = None
    """degrees from one end of tilt to the other (default 270)"""
    max_speed: bounded(float, high=MAX_SPEED_DEG_S, above=0) | None = None
    """degrees per second the fixture can turn (default 360)"""


class ProfileTable(ProfileFields):
    """A fixture type: the built-in head with the fields given, or one mode of a GDTF or Open Fixture
    Library file (then max_speed, pan_travel and tilt_travel may still correct the file)."""

    gdtf: Name | None = None
    """a GDTF file (.gdtf), relative to the show file"""
    ofl: Name | None = None
    """an Open Fixture Library fixture (.json), relative to the show file"""
    mode: Name | None = None
    """the file's DMX mode by name (needed when it has several)"""


class BoxLimitsTable(Table):
    """A box in degrees from the range centre (default: the whole travel)."""

    pan: DegreePair = (-MAX_TRAVEL_DEG / 2, MAX_TRAVEL_DEG / 2)
    """[low, high] pan degrees"""
    tilt: DegreePair = (-MAX_TRAVEL_DEG / 2, MAX_TRAVEL_DEG / 2)
    """[low, high] tilt degrees"""


class ConeLimitsTable(Table):
    """A circle of this radius (pan/tilt degrees) around home."""

    cone: bounded(float, 0, MAX_TRAVEL_DEG)
    """radius in degrees"""


def limits_kind(value: Any) -> str:
    return "cone limits" if isinstance(value, dict) and "cone" in value else "box limits"


class FixtureTable(ProfileFields):
    """One patched fixture; any profile field may also be set here, for this fixture alone."""

    name: Name
    """unique among the fixtures; cues name fixtures or groups"""
    profile: Name = "generic_16bit"
    """a [profiles.NAME] table, or the built-in "generic_16bit\""""
    universe: bounded(int, 1, MAX_UNIVERSE) = 1
    """the DMX universe (sACN numbering; Art-Net adds artnet_base - 1)"""
    address: Channel
    """DMX start channel"""
    position: tuple[Metres, Metres, Metres] = (0.0, 0.0, 0.0)
    """metres: across the stage (stage left negative), depth (positive upstage, away from the
    audience), height"""
    groups: Annotated[list[Name], Field(max_length=MAX_NAMES)] = []
    """group names a cue can use instead of fixture names; the first is the group of by = "group\""""
    home: DegreePair = (0.0, 0.0)
    """pan, tilt where the fixture rests and where cues move around; inside its limits and travel"""
    invert_pan: Flag = False
    """pan runs backwards on DMX only (for a fixture hung facing the other way)"""
    invert_tilt: Flag = False
    """tilt runs backwards on DMX only"""
    swap: Flag = False
    """pan and tilt exchanged before they are sent"""
    limits: Annotated[Annotated[ConeLimitsTable, Tag("cone limits")] | Annotated[BoxLimitsTable, Tag("box limits")],
                      Discriminator(limits_kind)] | None = None
    """{ pan = [low, high], tilt = [low, high] } or { cone = radius }"""
    channels: Annotated[dict[ChannelKey, bounded(int, 0, 255)], Field(max_length=DMX_CHANNELS_PER_UNIVERSE)] = {}
    """fixed levels always sent, keyed by relative channel: { "5" = 255 } (e.g. an open dimmer)"""
    orientation: Hanging = Hanging.UPRIGHT
    """for aim cues: "upright" (base down, tilt 0 straight up) or "inverted" (hung, tilt 0 straight down)"""
    pan_zero_deg: Degrees = 0.0
    """for aim cues: the stage heading the beam leans towards at pan 0 and positive tilt, measured as
    layout angles: 0 upstage, 90 towards +across"""


class PatternTable(Table):
    """A pattern of the show's own, from a file beside the show."""

    name: Name
    """the name cues use; it may shadow a built-in pattern"""
    file: Name
    """a CSV (rows of x, y, z; a header row is allowed) or JSON (a list of [x, y, z] or {"samples": [...]})
    file, relative to the show file"""
    description: Text = ""
    """shown where the pattern is listed"""


def read_axis_target(value: Any) -> AxisTarget | int:
    if isinstance(value, int) and not isinstance(value, bool) and 1 <= value <= DMX_CHANNELS_PER_UNIVERSE:
        return value
    if isinstance(value, str) and value in AXIS_TARGETS:
        return AxisTarget(value)
    raise PydanticCustomError("axis", "must be one of {targets} or a channel number from 1 to {high}",
                              {"targets": ", ".join(AXIS_TARGETS), "high": DMX_CHANNELS_PER_UNIVERSE})


AxisChoice = Annotated[str | int, PlainValidator(read_axis_target), WithJsonSchema({"anyOf": [
    {"enum": list(AXIS_TARGETS)}, {"type": "integer", "minimum": 1, "maximum": DMX_CHANNELS_PER_UNIVERSE}]})]


class AxesTable(Table):
    """Where each displacement axis goes: "pan", "tilt", "none", "intensity" (-1 dark, 1 the cue's
    intensity) or a relative channel number (sent as 8 bits: -1 → 0, 1 → 255). An aim cue moves its
    point on all three axes (size_m) and reads only "intensity" and channel numbers here."""

    x: AxisChoice = AxisTarget.PAN
    """the lateral axis (+ to the right)"""
    y: AxisChoice = AxisTarget.TILT
    """the vertical axis (a lift goes towards -y)"""
    z: AxisChoice = AxisTarget.NONE
    """the depth axis"""


class LayoutTable(Table):
    """How one motion spreads across the cue's fixtures (see Layouts below)."""

    by: LayoutOrder = LayoutOrder.ORDER
    """how fixtures are ranked from 0 to 1: "order" (as listed), "group" (within each first group),
    "shuffle" (seeded), "distance" or "angle" (stage position seen from origin)"""
    spread: LayoutSpread = LayoutSpread.RANK
    """"rank": the last fixture of a wing trails the first by spread_beats, however many there are;
    "cycle": the fixtures of a wing sit one pattern cycle / count apart (no spread_beats)"""
    spread_beats: Beats | None = None
    """how far the last fixture (rank 1) of a wing trails the first"""
    spread_pips: Pips | None = None
    """the same in pips (give one of spread_beats and spread_pips)"""
    wings: bounded(int, 1, 64) | None = None
    """the ranks split into this many equal wings, each spread alike (default 1, or 2 with mirror)"""
    mirror: Flag = False
    """every second wing runs in reverse order with x mirrored"""
    blocks: bounded(int, 0, 1024) = 0
    """more than 1: neighbours in one block share a phase"""
    seed: bounded(int, 0, 2**32 - 1) = 0
    """for by = "shuffle\""""
    origin: tuple[Metres, Metres] = (0.0, 0.0)
    """for "distance" and "angle": across, depth in metres"""


class CueTable(Table):
    """A pattern placed on the rig; cues play in the order written."""

    name: Name
    """unique among the cues; shown on the status line and the render"""
    pattern: Name
    """a built-in pattern or one from [[patterns]]"""
    size: Size | None = None
    speed: SpeedRatio = Field(Fraction(1), json_schema_extra={"default": 1})
    axes: AxesTable = AxesTable()
    fixtures: Annotated[list[Name], Field(max_length=MAX_NAMES)] = []
    """fixture or group names taking part (default: all)"""
    fade_beats: Beats = Field(Fraction(0), json_schema_extra={"default": 0})
    """crossfade length from what is on stage; 0 is a cut"""
    start: GridUnit = GridUnit.BAR
    """the change starts on the next "beat", "bar" or "phrase\""""
    layout: LayoutTable = LayoutTable()
    mode: CueMode = CueMode.ANGLES
    """"angles": the pattern turns pan and tilt around home by size; "aim": it moves a focus point
    (centre + size_m × displacement) that every head turns to from where it hangs"""
    centre: tuple[Metres, Metres, Metres] | None = None
    """aim cues: the focus point's centre in stage metres (across, depth, height)"""
    size_m: tuple[StageSize, StageSize, StageSize] | None = None
    """aim cues: metres the point moves per axis for a full displacement (1)"""
    intensity: bounded(float, 0, 100) | None = None
    """percent (default 0: dark); with an axis = "intensity", the level at a full displacement"""
    colour: Text | None = None
    """a name (red, amber, ...), "#rrggbb" or a colour wheel slot's name (default white where the type
    can show it)"""
    position: Name | None = None
    """the base the motion rides on: a [[positions]] name, or "below" (whatever the layers under this
    one hold); default: each fixture's home. With size = 0 the cue holds the base still. An aim cue's
    heads turn to its point wherever the base is; the base holds the layer's fixtures the cue leaves out"""


# ---- layers, positions, the MIDI controller and the timeline --------------------------------------

MIN_RATE, MAX_RATE = Fraction(1, 4), 4
MAX_MIDI_NUMBER = 127
MAX_BAR = 100_000
Rate = ratio_type(MIN_RATE, MAX_RATE, "pattern speed ratio of the layer: 1/4, 1/2, 1, 2, 4 or any value between")


class PositionTable(Table):
    """A named pan/tilt per fixture or group that cues ride on or hold."""

    name: Name
    """unique among the positions; cues name it with position = "NAME\""""
    pan_tilt: DegreePair | None = None
    """[pan, tilt] for every fixture not named in fixtures (default: its home)"""
    fixtures: Annotated[dict[Name, DegreePair], Field(max_length=MAX_NAMES)] = {}
    """fixture or group name → [pan, tilt]; a fixture's own entry beats its group's"""


class LayerTable(Table):
    """A playback: its own cue list, current cue, go/back/release and masters."""

    name: Name
    """unique among the layers; controls and the timeline name it"""
    cues: Annotated[list[Name], Field(min_length=1, max_length=MAX_ENTRIES)]
    """names of [[cues]] this layer plays, in its go order"""
    fixtures: Annotated[list[Name], Field(max_length=MAX_NAMES)] = []
    """fixture or group names the layer drives (default: those of its cues; all when a cue names none)"""
    priority: bounded(int, -1000, 1000) = 0
    """higher wins where layers drive the same fixture; equal: the layer started later wins"""
    running: Flag = True
    """plays its first cue from the start; false: released until a go"""
    size: bounded(float, 0, MAX_MASTER) = 1.0
    """the size master at the start: 0 to 2 (200 %)"""
    rate: Rate = Field(Fraction(1), json_schema_extra={"default": 1})
    release_beats: Beats = Field(Fraction(0), json_schema_extra={"default": 0})
    """how long a release fades back to what is underneath"""
    release_start: GridUnit = GridUnit.BAR
    """a release starts on the next "beat", "bar" or "phrase\""""


class MidiPadTable(Table):
    """A note that goes a cue on a layer, or releases the layer."""

    note: bounded(int, 0, MAX_MIDI_NUMBER)
    """the pad's note number"""
    layer: Name
    """the layer it acts on"""
    cue: Name | None = None
    """the cue to go (a name in the layer's cues); left out: the note releases the layer"""


class MidiTarget(StrEnum):
    SIZE = "size"
    RATE = "rate"
    RIG_SIZE = "rig_size"
    NUDGE = "nudge"


class MidiFaderTable(Table):
    """A control change that sets a master or nudges the tempo."""

    control: bounded(int, 0, MAX_MIDI_NUMBER)
    """the control change number"""
    target: MidiTarget
    """"size" (0-127 → 0-200 %), "rate" (→ 1/4, 1/2, 1, 2, 4), "rig_size" or "nudge" (64 is still)"""
    layer: Name | None = None
    """for "size" and "rate": the layer"""


class MidiTable(Table):
    """A pad and fader controller (notes and control changes through mido)."""

    port: Text = ""
    """the input port's name (a part of it); empty: no controller is opened by run"""
    feedback_port: Text = ""
    """an output port to light the running cues' pads on (empty: none)"""
    channel: bounded(int, 0, 16) = 0
    """1-16 listens to that channel only; 0: every channel"""
    tap: bounded(int, 0, MAX_MIDI_NUMBER) | None = None
    """a note that taps the tempo"""
    lit_velocity: bounded(int, 1, MAX_MIDI_NUMBER) = MAX_MIDI_NUMBER
    """note-on velocity that lights a running cue's pad (0 darkens it)"""
    pads: Annotated[list[MidiPadTable], Field(max_length=MAX_ENTRIES)] = []
    """notes that go cues and release layers"""
    faders: Annotated[list[MidiFaderTable], Field(max_length=MAX_ENTRIES)] = []
    """control changes that set masters or nudge the tempo"""


class TimelineTable(Table):
    """Something that happens at the start of a bar: a go, a release or a tempo."""

    bar: bounded(int, 1, MAX_BAR)
    """1-based: bar 1 starts at the show's start"""
    layer: Name | None = None
    """the layer a cue or release applies to (default: the first layer)"""
    cue: Name | None = None
    """go this cue on the layer"""
    release: Flag = False
    """release the layer"""
    bpm: bounded(float, MIN_BPM, MAX_BPM) | None = None
    """a new tempo from this bar on (the internal clock)"""


class ShowDocument(Table):
    """A kinemorphs show file."""

    model_config = ConfigDict(title="kinemorphs show file")

    show: Settings
    profiles: Annotated[dict[Name, ProfileTable], Field(max_length=MAX_ENTRIES)] = {}
    """fixture types by name, used by [[fixtures]] profile = "NAME\""""
    fixtures: list[FixtureTable] = Field(min_length=1, max_length=MAX_FIXTURES)
    patterns: Annotated[list[PatternTable], Field(max_length=MAX_ENTRIES)] = []
    cues: list[CueTable] = Field(min_length=1, max_length=MAX_ENTRIES)
    positions: Annotated[list[PositionTable], Field(max_length=MAX_ENTRIES)] = []
    layers: Annotated[list[LayerTable], Field(max_length=MAX_ENTRIES)] = []
    """playbacks; none: one layer plays every cue on the whole rig"""
    midi: MidiTable | None = None
    timeline: Annotated[list[TimelineTable], Field(max_length=MAX_ENTRIES)] = []
    """cue changes and tempi at bars, played by run and drawn by render"""


def show_json_schema() -> dict:
    """The JSON Schema of the show file in draft 4, the draft taplo (Even Better TOML) reads."""
    schema = as_draft_4(ShowDocument.model_json_schema(ref_template="#/definitions/{model}"))
    return {"$schema": "http://json-schema.org/draft-04/schema#", **schema}


def as_draft_4(node):
    """pydantic writes draft 2020-12; rewrite the few keywords draft 4 spells otherwise, and drop
    the null that an optional field allows (TOML has no null: such a field is simply left out)."""
    if isinstance(node, list):
        return [as_draft_4(item) for item in node]
    if not isinstance(node, dict):
        return node
    node = {key: as_draft_4(value) for key, value in node.items()}
    if "$defs" in node:
        node["definitions"] = node.pop("$defs")
    if "prefixItems" in node:
        node["items"] = node.pop("prefixItems")
        node["additionalItems"] = False
    for bound in ("Minimum", "Maximum"):
        if f"exclusive{bound}" in node:
            node[bound.lower()] = node[f"exclusive{bound}"]
            node[f"exclusive{bound}"] = True
    if "const" in node:
        node["enum"] = [node.pop("const")]
    node.pop("propertyNames", None)  # key lengths: draft 4 cannot say them; the reader checks
    if isinstance(node.get("default"), dict):
        node["default"] = {key: value for key, value in node["default"].items() if value is not None}
    if "patternProperties" in node:
        node.setdefault("additionalProperties", False)
    if "anyOf" in node:
        options = [option for option in node["anyOf"] if option != {"type": "null"}]
        if node.get("default", 0) is None:
            del node["default"]
        if len(options) == 1:
            del node["anyOf"]
            node = {**options[0], **node}
        else:
            node["anyOf"] = options
    return node
